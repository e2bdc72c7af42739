#include "platform/process_usage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;

TEST(ProcessUsage, ResidentMemoryFollowsTouchedPages) {
    const platform::ResidentMemory before = platform::ProcessResidentMemory();
    ASSERT_GT(before.current_bytes, 0u);
    ASSERT_GE(before.peak_bytes, before.current_bytes);

    const size_t size = 64 * kMiB;
    auto block = std::make_unique<char[]>(size);
    std::memset(block.get(), 1, size);  // resident only once written
    const platform::ResidentMemory during = platform::ProcessResidentMemory();
    EXPECT_GE(during.current_bytes, before.current_bytes + 60 * kMiB);
    EXPECT_GE(during.peak_bytes, during.current_bytes);
    EXPECT_EQ(block[size - 1], 1);
}

TEST(ProcessUsage, CpuTimeCountsBusyWorkButNotSleep) {
    // Spins until the reading has grown by a quarter second of CPU time. On a
    // loaded machine that takes longer in wall time, but it has to come.
    const double start = platform::ProcessCpuSeconds();
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    volatile uint64_t spin = 0;
    double busy = 0;
    while (busy < 0.25 && std::chrono::steady_clock::now() < limit) {
        for (int i = 0; i < 100000; ++i) {
            spin = spin + 1;
        }
        busy = platform::ProcessCpuSeconds() - start;
    }
    EXPECT_GE(busy, 0.25);
    EXPECT_LT(busy, 2.0);

    const double before_sleep = platform::ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(platform::ProcessCpuSeconds() - before_sleep, 0.1);
}

}  // namespace
