// The play-status thread: order, failing callbacks, dropping an owner's
// records while one of its calls runs, and many posting threads.
#include "play_status_dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/event.h"

namespace {

using kestrel::media::PlayStatusDispatcher;
using kestrel::media::PlayStatusRecord;

constexpr int kWaitMs = 10000;

// A callback with state: the record's user is the handler itself.
using Handler = std::function<void(const QwPlayInfo&)>;
int32_t CallHandler(void* user, const QwPlayInfo* info) {
    (*static_cast<Handler*>(user))(*info);
    return 0;
}
PlayStatusRecord For(Handler& handler, intptr_t value, int32_t code = 1,
                     const void* owner = nullptr) {
    return PlayStatusRecord{owner, &CallHandler, &handler, code, value};
}

// Values in delivery order.
struct Log {
    std::mutex lock;
    std::vector<std::pair<int32_t, intptr_t>> calls;
    Handler handler = [this](const QwPlayInfo& info) {
        std::lock_guard guard(lock);
        calls.emplace_back(info.code, info.value);
    };
};

// Holds the dispatcher's thread until opened.
struct Gate {
    platform::Event open{platform::Event::Reset::kManual};
    Handler handler = [this](const QwPlayInfo&) { open.Wait(kWaitMs); };
};

TEST(PlayStatusDispatcher, DeliversInOrderAndSurvivesThrowingCallbacks) {
    PlayStatusDispatcher dispatcher;
    Log log;
    Handler thrower = [&](const QwPlayInfo& info) {
        if (info.value % 4 == 1) {
            throw std::runtime_error("caller's bug");
        }
        log.handler(info);
    };
    for (intptr_t i = 0; i < 1000; ++i) {
        ASSERT_TRUE(dispatcher.Post(For(thrower, i, static_cast<int32_t>(i % 3))));
    }
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), 750u);  // only the thrown records are lost
    size_t next = 0;
    for (intptr_t i = 0; i < 1000; ++i) {
        if (i % 4 != 1) {
            EXPECT_EQ(log.calls[next].first, i % 3);
            EXPECT_EQ(log.calls[next++].second, i);
        }
    }
    EXPECT_FALSE(dispatcher.Post(PlayStatusRecord{}));  // no callback
}

TEST(PlayStatusDispatcher, TimeRecordsCarryTheirOwnCopy) {
    PlayStatusDispatcher dispatcher;
    Gate gate;
    std::vector<QwMediaTime> times;
    Handler seen = [&](const QwPlayInfo& info) {
        times.push_back(*reinterpret_cast<const QwMediaTime*>(info.value));
    };
    ASSERT_TRUE(dispatcher.Post(For(gate.handler, 0)));
    QwMediaTime start{24, 3, 14, 8, 0, 0};
    ASSERT_TRUE(dispatcher.PostTime(For(seen, 0, 0x20000012), start));
    start.hour = 9;  // the caller's object changes before delivery
    ASSERT_TRUE(dispatcher.PostTime(For(seen, 0, 0x20000013), start));
    gate.open.Set();
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[0].hour, 8);
    EXPECT_EQ(times[1].hour, 9);
    EXPECT_EQ(times[1].day, 14);
}

TEST(PlayStatusDispatcher, DropWaitsForTheOwnersCallInProgress) {
    PlayStatusDispatcher dispatcher;
    platform::Event entered;
    Gate gate;
    std::atomic<bool> finished{false};
    Handler slow = [&](const QwPlayInfo& info) {
        entered.Set();
        gate.handler(info);
        finished = true;
    };
    Log closing_log, other_log;
    int closing = 0, other = 0;
    ASSERT_TRUE(dispatcher.Post(For(slow, 0, 1, &closing)));
    for (intptr_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(dispatcher.Post(For(closing_log.handler, i, 1, &closing)));
        ASSERT_TRUE(dispatcher.Post(For(other_log.handler, i, 1, &other)));
    }
    ASSERT_TRUE(entered.Wait(kWaitMs));

    std::atomic<bool> dropped{false};
    bool finished_when_dropped = false;
    std::thread closer([&] {
        dispatcher.Drop(&closing);
        finished_when_dropped = finished;
        dropped = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(dropped.load());         // still inside the owner's call
    EXPECT_EQ(dispatcher.Pending(), 5u);  // its queued records are gone already
    gate.open.Set();
    closer.join();
    EXPECT_TRUE(finished_when_dropped);

    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    EXPECT_TRUE(closing_log.calls.empty());
    EXPECT_EQ(other_log.calls.size(), 5u);
}

TEST(PlayStatusDispatcher, CallbackMayDropItsOwnOwner) {
    PlayStatusDispatcher dispatcher;
    Gate gate;  // holds delivery until all five are queued
    Log log;
    Handler self_drop = [&](const QwPlayInfo& info) {
        log.handler(info);
        dispatcher.Drop(&self_drop);  // closing its own handle from the callback
    };
    ASSERT_TRUE(dispatcher.Post(For(gate.handler, 0)));
    for (intptr_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(dispatcher.Post(For(self_drop, i, 1, &self_drop)));
    }
    gate.open.Set();
    ASSERT_TRUE(dispatcher.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0].second, 0);
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
                EXPECT_TRUE(dispatcher.Post(For(log.handler, i, p)));
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

TEST(PlayStatusDispatcher, ShutdownStopsTakingRecordsAndTheSharedOneRuns) {
    Log log;
    {
        PlayStatusDispatcher dispatcher;
        EXPECT_TRUE(dispatcher.Shutdown(kWaitMs));
        EXPECT_FALSE(dispatcher.Running());
        EXPECT_FALSE(dispatcher.Post(For(log.handler, 1)));
    }  // a second shutdown in the destructor is harmless
    EXPECT_TRUE(log.calls.empty());

    PlayStatusDispatcher& shared = PlayStatusDispatcher::Instance();
    EXPECT_EQ(&shared, &PlayStatusDispatcher::Instance());
    ASSERT_TRUE(shared.Post(For(log.handler, 7)));
    ASSERT_TRUE(shared.WaitIdle(kWaitMs));
    ASSERT_EQ(log.calls.size(), 1u);
}

}  // namespace
