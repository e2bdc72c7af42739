// PeriodicTimer: steady ticks, and Stop() waiting for a running callback.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/clock.h"
#include "platform/thread.h"
#include "test_support.h"

namespace {

using platform::PeriodicTimer;
using platform_test::Stopwatch;
using platform_test::WaitUntil;

TEST(PeriodicTimer, TicksAboutOncePerPeriodAndNeverFaster) {
    PeriodicTimer timer;
    EXPECT_FALSE(timer.Start(0, [] {}));
    EXPECT_FALSE(timer.Start(10, nullptr));
    std::atomic<int> calls{0};
    Stopwatch watch;
    ASSERT_TRUE(timer.Start(20, [&] { ++calls; }));
    EXPECT_FALSE(timer.Start(20, [] {}));  // already running
    EXPECT_TRUE(timer.Running());
    platform::SleepMs(600);
    timer.Stop();
    const double elapsed = watch.ElapsedMs();
    EXPECT_FALSE(timer.Running());
    // A loaded machine may drop ticks, but a fixed schedule never adds any.
    EXPECT_GE(calls, 5);
    EXPECT_LE(calls, static_cast<int>(elapsed / 20) + 1);
    const int after_stop = calls;
    platform::SleepMs(100);
    EXPECT_EQ(calls, after_stop);
}

TEST(PeriodicTimer, StopWaitsForARunningCallback) {
    PeriodicTimer timer;
    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    std::atomic<int> calls{0};
    ASSERT_TRUE(timer.Start(10, [&] {
        ++calls;
        inside = true;
        platform::SleepMs(300);
        finished = true;
    }));
    ASSERT_TRUE(WaitUntil([&] { return inside.load(); }));
    timer.Stop();
    EXPECT_TRUE(finished);
    EXPECT_EQ(calls, 1);
}

TEST(PeriodicTimer, StopFromTheCallbackEndsTheTimerWithoutDeadlock) {
    PeriodicTimer timer;
    std::atomic<int> calls{0};
    ASSERT_TRUE(timer.Start(10, [&] {
        ++calls;
        timer.Stop();
    }));
    ASSERT_TRUE(WaitUntil([&] { return !timer.Running(); }));
    platform::SleepMs(100);
    EXPECT_EQ(calls, 1);
    // The timer can run again once stopped that way.
    std::atomic<int> second{0};
    ASSERT_TRUE(timer.Start(10, [&] { ++second; }));
    EXPECT_TRUE(WaitUntil([&] { return second > 0; }));
    timer.Stop();
    EXPECT_EQ(calls, 1);
}

}  // namespace
