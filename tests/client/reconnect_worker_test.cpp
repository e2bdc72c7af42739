// The reconnect worker's rounds, with short waits.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event.h"
#include "reconnect_worker.h"

namespace kestrel::client {
namespace {

using Outcome = ReconnectWorker::Outcome;

bool WaitFor(const std::atomic<int>& value, int wanted) {
    for (int i = 0; i < 1000 && value.load() < wanted; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return value.load() >= wanted;
}

TEST(ReconnectWorker, BreakDuringARoundAsksForOneMoreAndWaitsTellOfTheStop) {
    ReconnectWorker worker(5);
    std::atomic<int> rounds{0};
    platform::Event inRound(platform::Event::Reset::kManual);
    platform::Event release(platform::Event::Reset::kManual);
    auto attempt = [&] {
        if (++rounds == 1) {
            inRound.Set();
            release.Wait(10000);
        }
        return Outcome::kDone;
    };
    ASSERT_TRUE(worker.Start(attempt));
    ASSERT_TRUE(inRound.Wait(10000));
    // Several breaks while the round runs: one more round, not a second thread.
    EXPECT_TRUE(worker.Start(attempt));
    EXPECT_TRUE(worker.Start(attempt));
    release.Set();
    ASSERT_TRUE(WaitFor(rounds, 2));
    for (int i = 0; i < 500 && worker.Running(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(rounds, 2);

    // An attempt that pauses is woken by the stop.
    std::atomic<int> woken{0};
    platform::Event pausing(platform::Event::Reset::kManual);
    ASSERT_TRUE(worker.Start([&] {
        pausing.Set();
        if (!worker.Wait(600000)) {
            ++woken;
        }
        return Outcome::kRetry;
    }));
    ASSERT_TRUE(pausing.Wait(10000));
    worker.Stop();
    EXPECT_EQ(woken, 1);
    EXPECT_FALSE(worker.Running());
}

}  // namespace
}  // namespace kestrel::client
