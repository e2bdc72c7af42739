// Start handshake, queue order and bounds, and the stop rules of MessageThread.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/thread.h"
#include "test_support.h"

namespace {

using platform::Message;
using platform::MessageThread;
using platform_test::kSlack;
using platform_test::Stopwatch;

// Body that reads until quit and records what it saw.
struct Recorder {
    std::vector<Message> seen;  // written by the body, read after it ended
    MessageThread::Body Body() {
        return [this](MessageThread& self) {
            Message message;
            while (self.Get(&message, 20000)) {
                seen.push_back(message);
                if (message.id == platform::kQuitMessage) {
                    return;
                }
            }
        };
    }
};

TEST(MessageThread, MessagePostedRightAfterStartIsNeverLost) {
    for (int round = 0; round < 50; ++round) {
        std::atomic<bool> got{false};
        MessageThread thread;
        ASSERT_TRUE(thread.Start([&](MessageThread& self) {
            Message message;
            got = self.Get(&message, 10000) && message.id == 0x400 && message.w_param == 7;
        }));
        ASSERT_TRUE(thread.Post(0x400, 7, 0));
        ASSERT_TRUE(thread.Join(10000));
        ASSERT_TRUE(got) << "round " << round;
    }
}

TEST(MessageThread, IdentifiesItsOwnThread) {
    MessageThread thread;
    EXPECT_EQ(thread.ThreadId(), 0u);
    EXPECT_FALSE(thread.Post(1));  // nothing runs yet
    std::atomic<uint64_t> id_inside{0};
    std::atomic<bool> current_inside{false};
    ASSERT_TRUE(thread.Start([&](MessageThread& self) {
        id_inside = platform::CurrentThreadId();
        current_inside = self.IsCurrent();
    }));
    ASSERT_TRUE(thread.Join(10000));
    EXPECT_TRUE(current_inside);
    EXPECT_FALSE(thread.IsCurrent());
    EXPECT_EQ(thread.ThreadId(), id_inside.load());
    EXPECT_NE(thread.ThreadId(), platform::CurrentThreadId());
    EXPECT_FALSE(thread.Running());
    EXPECT_FALSE(thread.Post(1));  // the body has returned
}

TEST(MessageThread, PostsFromSeveralThreadsArriveInOrderPerPoster) {
    constexpr int kPosters = 4;
    constexpr int kEach = 2000;
    Recorder recorder;
    MessageThread thread;
    ASSERT_TRUE(thread.Start(recorder.Body()));
    std::atomic<int> refused{0};
    std::vector<std::thread> posters;
    for (int poster = 0; poster < kPosters; ++poster) {
        posters.emplace_back([&, poster] {
            for (int i = 0; i < kEach; ++i) {
                if (!thread.Post(0x500, static_cast<uintptr_t>(poster), i)) {
                    ++refused;
                }
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(thread.Stop(20000));
    EXPECT_EQ(refused, 0);
    std::vector<intptr_t> next(kPosters, 0);
    for (const Message& message : recorder.seen) {
        if (message.id == 0x500) {
            ASSERT_EQ(message.l_param, next[message.w_param]) << "poster " << message.w_param;
            ++next[message.w_param];
        }
    }
    for (int poster = 0; poster < kPosters; ++poster) {
        EXPECT_EQ(next[poster], kEach);
    }
    ASSERT_FALSE(recorder.seen.empty());
    EXPECT_EQ(recorder.seen.back().id, platform::kQuitMessage);
    EXPECT_EQ(recorder.seen.back().w_param, 1u);
}

TEST(MessageThread, FullQueueRefusesMessagesButNotQuit) {
    platform::Event release;
    Recorder recorder;
    MessageThread thread;
    auto body = recorder.Body();
    ASSERT_TRUE(thread.Start([&](MessageThread& self) {
        release.Wait(20000);
        body(self);
    }));
    for (size_t i = 0; i < platform::kMessageQueueCapacity; ++i) {
        ASSERT_TRUE(thread.Post(0x600, 0, static_cast<intptr_t>(i)));
    }
    EXPECT_FALSE(thread.Post(0x600));
    EXPECT_TRUE(thread.Post(platform::kQuitMessage, 1));
    release.Set();
    ASSERT_TRUE(thread.Join(20000));
    ASSERT_EQ(recorder.seen.size(), platform::kMessageQueueCapacity + 1);
    EXPECT_EQ(recorder.seen.back().id, platform::kQuitMessage);
}

TEST(MessageThread, GetWaitsUpToItsBound) {
    std::atomic<double> waited{0};
    std::atomic<bool> got{true};
    MessageThread thread;
    ASSERT_TRUE(thread.Start([&](MessageThread& self) {
        Message message;
        Stopwatch watch;
        got = self.Get(&message, 150);
        waited = watch.ElapsedMs();
    }));
    ASSERT_TRUE(thread.Join(10000));
    EXPECT_FALSE(got);
    EXPECT_GE(waited, 149);
    EXPECT_LT(waited, 150 + kSlack);
}

TEST(MessageThread, StopAbandonsABodyThatIgnoresQuit) {
    auto finished = std::make_shared<platform::Event>(platform::Event::Reset::kManual);
    Stopwatch stopping;
    {
        MessageThread thread;
        // Keeps using its own view of the thread after the owner is gone.
        ASSERT_TRUE(thread.Start([finished](MessageThread& self) {
            Stopwatch alive;
            Message message;
            while (alive.ElapsedMs() < 3000) {
                self.Peek(&message);
                platform::SleepMs(10);
            }
            finished->Set();
        }));
        Stopwatch watch;
        EXPECT_FALSE(thread.Stop(200));
        EXPECT_GE(watch.ElapsedMs(), 199);
        EXPECT_LT(watch.ElapsedMs(), 200 + kSlack);
    }
    // The destructor does not wait for an abandoned body.
    EXPECT_LT(stopping.ElapsedMs(), 2800);
    EXPECT_TRUE(finished->Wait(20000));
    platform::SleepMs(50);  // let the abandoned thread leave before the test ends
}

TEST(MessageThread, StopAndJoinFromTheBodyDoNotDeadlock) {
    std::atomic<bool> stop_result{true};
    std::atomic<bool> join_result{true};
    MessageThread thread;
    ASSERT_TRUE(thread.Start([&](MessageThread& self) {
        join_result = self.Join(5000);
        stop_result = self.Stop(5000);
    }));
    ASSERT_TRUE(thread.Join(10000));
    EXPECT_FALSE(join_result);
    EXPECT_FALSE(stop_result);
}

TEST(MessageThread, DestructorQuitsARunningBodyAndItCanRunAgain) {
    Recorder first;
    {
        MessageThread thread;
        ASSERT_TRUE(thread.Start(first.Body()));
        ASSERT_TRUE(thread.Post(0x700));
    }
    ASSERT_EQ(first.seen.size(), 2u);
    EXPECT_EQ(first.seen[1].id, platform::kQuitMessage);

    MessageThread thread;
    Recorder second;
    ASSERT_TRUE(thread.Start([](MessageThread&) {}));
    ASSERT_TRUE(thread.Join(10000));
    ASSERT_TRUE(thread.Start(second.Body()));
    EXPECT_FALSE(thread.Start(second.Body()));  // one body at a time
    EXPECT_TRUE(thread.Stop(10000));
    ASSERT_EQ(second.seen.size(), 1u);
}

}  // namespace
