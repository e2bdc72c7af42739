// Auto- and manual-reset events, timed waits, and the tick count.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/event.h"
#include "platform/thread.h"
#include "test_support.h"

namespace {

using platform::Event;
using platform_test::kSlack;
using platform_test::Stopwatch;
using platform_test::WaitUntil;

TEST(Event, TimedWaitReturnsFalseNotBeforeItsBound) {
    Event event;
    Stopwatch watch;
    EXPECT_FALSE(event.Wait(150));
    EXPECT_GE(watch.ElapsedMs(), 149);
    EXPECT_LT(watch.ElapsedMs(), 150 + kSlack);
}

TEST(Event, SetBeforeWaitIsRememberedAndAutoResetClearsIt) {
    Event automatic(Event::Reset::kAuto);
    automatic.Set();
    EXPECT_TRUE(automatic.Wait(0));
    EXPECT_FALSE(automatic.IsSet());
    EXPECT_FALSE(automatic.Wait(0));

    Event manual(Event::Reset::kManual, true);
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(-1));
    manual.Clear();
    EXPECT_FALSE(manual.Wait(0));
}

// Starts waiters on event and returns how many of them were released.
class Waiters {
  public:
    Waiters(Event& event, int count) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, &event] {
                if (event.Wait(20000)) {
                    ++released_;
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let them block
    }
    ~Waiters() {
        for (auto& thread : threads_) {
            thread.join();
        }
    }
    int Released() const { return released_; }

  private:
    std::atomic<int> released_{0};
    std::vector<std::thread> threads_;
};

TEST(Event, AutoResetReleasesOneWaiterPerSet) {
    Event event(Event::Reset::kAuto);
    Waiters waiters(event, 3);
    for (int expected = 1; expected <= 3; ++expected) {
        event.Set();
        ASSERT_TRUE(WaitUntil([&] { return waiters.Released() == expected; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(waiters.Released(), expected);
    }
    EXPECT_FALSE(event.IsSet());
}

TEST(Event, ManualResetReleasesEveryWaiterAndStaysSet) {
    Event event(Event::Reset::kManual);
    Waiters waiters(event, 3);
    event.Set();
    EXPECT_TRUE(WaitUntil([&] { return waiters.Released() == 3; }));
    EXPECT_TRUE(event.IsSet());
}

TEST(Clock, TickCountFollowsTheMonotonicClock) {
    const uint32_t tick = platform::TickCountMs();
    const uint64_t monotonic = platform::MonotonicMs();
    platform::SleepMs(50);
    const uint32_t ticks_passed = platform::TickCountMs() - tick;  // wrap-safe
    EXPECT_GE(ticks_passed, 50u);
    EXPECT_LT(ticks_passed, 50 + kSlack);
    EXPECT_GE(platform::MonotonicMs() - monotonic, 50u);
}

TEST(Clock, NowIsTheLocalTime) {
    const platform::LocalTime now = platform::Now();
    std::tm parts{};
    parts.tm_year = now.year - 1900;
    parts.tm_mon = now.month - 1;
    parts.tm_mday = now.day;
    parts.tm_hour = now.hour;
    parts.tm_min = now.minute;
    parts.tm_sec = now.second;
    parts.tm_isdst = -1;
    const std::time_t reference = std::time(nullptr);
    EXPECT_LE(std::abs(static_cast<long>(std::mktime(&parts) - reference)), 2);
    EXPECT_EQ(parts.tm_wday, now.weekday);  // mktime fills in the weekday
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LT(now.millisecond, 1000);
}

}  // namespace
