// The play-status thread: order, failing callbacks, dropping an owner's
// records while one of its calls runs, and many posting threads.
#include "play_status_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/event.h"

namespace {

using kestrel::media::PlayStatusDispatcher;
using kestrel::media::PlayStatusRecord;

constexpr int kWaitMs = 10000;

// What a callback saw, in delivery order.
struct Log {
    std::mutex lock;
    std::vector<std::pair<int32_t, intptr_t>> calls;

    static int32_t Record(void* user, const QwPlayInfo* info) {
        auto* log = static_cast<Log*>(user);
        std::lock_guard guard(log->lock);
        log->calls.emplace_back(info->code, info->value);
        return 0;
    }
};

PlayStatusRecord RecordFor(Log& log, intptr_t value, const void* owner = nullptr) {
    return PlayStatusRecord{owner, &Log::Record, &log, 0x20000002, value};
}

TEST(PlayStatusDispatcher, DeliversInQueueOrder) {
    PlayStatusDispatcher dispatcher;
    Log log;
    for (intptr_t i = 0; i < 1000; ++i) {
        auto record = RecordFor(log, i);
        record.code = 0x20000001 + static_cast<int32_t>(i % 3);
        ASSERT_TRUE(dispatcher.Post(record));
    }
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), 1000u);
    for (intptr_t i = 0; i < 1000; ++i) {
        EXPECT_EQ(log.calls[i].second, i);
        EXPECT_EQ(log.calls[i].first, 0x20000001 + i % 3);
    }
    EXPECT_FALSE(dispatcher.Post(PlayStatusRecord{}));  // no callback
}

TEST(PlayStatusDispatcher, ThrowingCallbackLosesOnlyItsRecord) {
    PlayStatusDispatcher dispatcher;
    struct Thrower {
        Log log;
        std::atomic<int> thrown{0};
        static int32_t Call(void* user, const QwPlayInfo* info) {
            auto* self = static_cast<Thrower*>(user);
            if (info->value % 4 == 1) {
                ++self->thrown;
                throw std::runtime_error("caller's bug");
            }
            return Log::Record(&self->log, info);
        }
    } thrower;
    for (intptr_t i = 0; i < 40; ++i) {
        ASSERT_TRUE(dispatcher.Post({nullptr, &Thrower::Call, &thrower, 1, i}));
    }
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    EXPECT_EQ(thrower.thrown.load(), 10);
    ASSERT_EQ(thrower.log.calls.size(), 30u);
    size_t next = 0;
    for (intptr_t i = 0; i < 40; ++i) {
        if (i % 4 != 1) {
            EXPECT_EQ(thrower.log.calls[next++].second, i);
        }
    }
}

TEST(PlayStatusDispatcher, TimeRecordsCarryTheirOwnCopy) {
    PlayStatusDispatcher dispatcher;
    struct Seen {
        platform::Event release{platform::Event::Reset::kManual};
        std::vector<QwMediaTime> times;
        static int32_t Block(void* user, const QwPlayInfo*) {
            static_cast<Seen*>(user)->release.Wait(kWaitMs);
            return 0;
        }
        static int32_t Call(void* user, const QwPlayInfo* info) {
            static_cast<Seen*>(user)->times.push_back(
                *reinterpret_cast<const QwMediaTime*>(info->value));
            return 0;
        }
    } seen;
    ASSERT_TRUE(dispatcher.Post({nullptr, &Seen::Block, &seen, 0, 0}));
    {
        QwMediaTime start{24, 3, 14, 8, 0, 0};
        ASSERT_TRUE(dispatcher.PostTime({nullptr, &Seen::Call, &seen, 0x20000012, 0}, start));
        start.hour = 9;  // the caller's object changes before delivery
        ASSERT_TRUE(dispatcher.PostTime({nullptr, &Seen::Call, &seen, 0x20000013, 0}, start));
    }
    seen.release.Set();
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(seen.times.size(), 2u);
    EXPECT_EQ(seen.times[0].hour, 8);
    EXPECT_EQ(seen.times[1].hour, 9);
    EXPECT_EQ(seen.times[1].day, 14);
}

TEST(PlayStatusDispatcher, DropWaitsForTheOwnersCallInProgress) {
    PlayStatusDispatcher dispatcher;
    struct Slow {
        platform::Event entered, release{platform::Event::Reset::kManual};
        std::atomic<bool> finished{false};
        static int32_t Call(void* user, const QwPlayInfo*) {
            auto* self = static_cast<Slow*>(user);
            self->entered.Set();
            self->release.Wait(kWaitMs);
            self->finished = true;
            return 0;
        }
    } slow;
    Log closing_log, other_log;
    int closing_handle = 0, other_handle = 0;
    ASSERT_TRUE(dispatcher.Post({&closing_handle, &Slow::Call, &slow, 1, 0}));
    for (intptr_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(dispatcher.Post(RecordFor(closing_log, i, &closing_handle)));
        ASSERT_TRUE(dispatcher.Post(RecordFor(other_log, i, &other_handle)));
    }
    ASSERT_TRUE(slow.entered.Wait(kWaitMs));

    std::atomic<bool> dropped{false};
    bool finished_when_dropped = false;
    std::thread closer([&] {
        dispatcher.Drop(&closing_handle);
        finished_when_dropped = slow.finished;
        dropped = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(dropped.load());         // still inside the owner's call
    EXPECT_EQ(dispatcher.Pending(), 5u);  // the closing handle's records are gone already
    slow.release.Set();
    closer.join();
    EXPECT_TRUE(finished_when_dropped);

    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    EXPECT_TRUE(closing_log.calls.empty());
    EXPECT_EQ(other_log.calls.size(), 5u);
}

TEST(PlayStatusDispatcher, CallbackMayDropItsOwnOwner) {
    PlayStatusDispatcher dispatcher;
    struct SelfDrop {
        PlayStatusDispatcher* dispatcher;
        Log log;
        static int32_t Call(void* user, const QwPlayInfo* info) {
            auto* self = static_cast<SelfDrop*>(user);
            Log::Record(&self->log, info);
            self->dispatcher->Drop(self);  // closing its own handle from the callback
            return 0;
        }
    } self_drop{&dispatcher, {}};
    // Held at a gate until all five are queued, so the drop finds the rest.
    struct Gate {
        platform::Event open{platform::Event::Reset::kManual};
        static int32_t Call(void* user, const QwPlayInfo*) {
            static_cast<Gate*>(user)->open.Wait(kWaitMs);
            return 0;
        }
    } gate;
    ASSERT_TRUE(dispatcher.Post({nullptr, &Gate::Call, &gate, 0, 0}));
    for (intptr_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(dispatcher.Post({&self_drop, &SelfDrop::Call, &self_drop, 1, i}));
    }
    gate.open.Set();
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(self_drop.log.calls.size(), 1u);
    EXPECT_EQ(self_drop.log.calls[0].second, 0);
}

TEST(PlayStatusDispatcher, ManyProducersKeepEachProducersOrder) {
    PlayStatusDispatcher dispatcher;
    constexpr int kProducers = 8;
    constexpr intptr_t kEach = 2000;
    Log log;
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            for (intptr_t i = 0; i < kEach; ++i) {
                auto record = RecordFor(log, i);
                record.code = p;
                EXPECT_TRUE(dispatcher.Post(record));
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), static_cast<size_t>(kProducers * kEach));
    std::vector<intptr_t> next(kProducers, 0);
    for (const auto& [producer, value] : log.calls) {
        ASSERT_EQ(value, next[producer]++);
    }
}

TEST(PlayStatusDispatcher, ShutdownStopsTakingRecords) {
    auto dispatcher = std::make_unique<PlayStatusDispatcher>();
    Log log;
    EXPECT_TRUE(dispatcher->Running());
    EXPECT_TRUE(dispatcher->Shutdown(kWaitMs));
    EXPECT_FALSE(dispatcher->Running());
    EXPECT_FALSE(dispatcher->Post(RecordFor(log, 1)));
    EXPECT_TRUE(dispatcher->WaitIdle(0));
    dispatcher.reset();  // a second shutdown in the destructor is harmless
    EXPECT_TRUE(log.calls.empty());

    PlayStatusDispatcher& shared = PlayStatusDispatcher::Instance();
    EXPECT_EQ(&shared, &PlayStatusDispatcher::Instance());
    ASSERT_TRUE(shared.Post(RecordFor(log, 7)));
    ASSERT_TRUE(shared.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), 1u);
}

}  // namespace
