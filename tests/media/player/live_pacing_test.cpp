// The live pacing tables as functions of backlog and frame gap: every band
// of both buffer modes, the overrides for large backlogs and the clamping.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "live_pacing.h"

namespace kestrel::media {
namespace {

struct Band {
    size_t first;
    size_t last;
    int sleep_ms;
};

void ExpectBands(const std::vector<Band>& bands, int64_t gap_ms) {
    for (const Band& band : bands) {
        for (size_t q = band.first; q <= band.last; ++q) {
            EXPECT_EQ(DeepBufferSleepMs(q, gap_ms), band.sleep_ms)
                << "queued " << q << ", gap " << gap_ms << " ms";
        }
    }
}

TEST(LivePacing, ShallowBufferFollowsTheBacklogAlone) {
    const std::vector<std::pair<size_t, int>> table = {
        {0, 100}, {1, 60},  {2, 60},  {3, 40},  {4, 35},  {5, 33}, {6, 30}, {7, 25},  {8, 20},
        {14, 20}, {15, 15}, {19, 15}, {20, 10}, {29, 10}, {30, 5}, {31, 5}, {499, 5}, {500, 5}};
    for (const auto& [queued, sleep_ms] : table) {
        EXPECT_EQ(ShallowBufferSleepMs(queued), sleep_ms) << "queued " << queued;
        EXPECT_EQ(LiveSleepMs(kShallowTargetDepth, queued, 40), sleep_ms);
    }
}

TEST(LivePacing, DeepBufferAtTwentyFiveFramesPerSecond) {
    // Gap 40 ms: step f = 1, target h = 15.
    ExpectBands({{0, 0, 90},   {1, 3, 70},   {4, 5, 60},    {6, 8, 55},     {9, 10, 48},
                 {11, 12, 42}, {13, 17, 40}, {18, 19, 38},  {20, 24, 32},   {25, 34, 25},
                 {35, 44, 15}, {45, 49, 38}, {50, 54, 32},  {55, 59, 25},   {60, 64, 20},
                 {65, 74, 25}, {75, 84, 20}, {85, 104, 15}, {105, 114, 10}, {115, 500, 5}},
                40);
    EXPECT_EQ(LiveSleepMs(kDeepTargetDepth, 15, 40), 40);
}

TEST(LivePacing, DeepBufferScalesStepAndTargetWithTheGap) {
    // Gap 200 ms: f = 6, and a slow stream needs only h = 495 / 200 = 2.
    ExpectBands({{0, 4, 200},
                 {5, 6, 188},
                 {7, 11, 152},
                 {12, 21, 110},
                 {22, 31, 50},
                 {32, 36, 188},
                 {52, 61, 25},
                 {102, 110, 5}},
                200);
    // Gap 90 ms is not above 100: the target stays 15; f = 3.
    ExpectBands({{13, 17, 90}, {11, 12, 96}, {0, 0, 240}}, 90);
}

TEST(LivePacing, DeepBufferTakesAbsurdGapsAsThirtyFramesPerSecond) {
    for (int64_t gap : {int64_t{0}, int64_t{-40}, int64_t{10001}, int64_t{1} << 40}) {
        EXPECT_EQ(DeepBufferSleepMs(15, gap), 33) << gap;
        EXPECT_EQ(DeepBufferSleepMs(0, gap), 33 + 50) << gap;  // f = 1, h = 15
    }
    EXPECT_EQ(DeepBufferSleepMs(15, 10000), 1000);  // the largest gap still read
}

TEST(LivePacing, DeepBufferClampsToOneThroughThousandMilliseconds) {
    EXPECT_EQ(DeepBufferSleepMs(40, 1), 1);       // 1 - 25 clamped up
    EXPECT_EQ(DeepBufferSleepMs(0, 9000), 1000);  // h = 0: 9000 clamped down
    EXPECT_EQ(DeepBufferSleepMs(size_t{1} << 40, 40), 5);
}

TEST(LivePacing, BufferModeChoosesTheTarget) {
    EXPECT_EQ(TargetDepthForBufferMode(0), kShallowTargetDepth);
    EXPECT_EQ(TargetDepthForBufferMode(1), kDeepTargetDepth);
    EXPECT_EQ(TargetDepthForBufferMode(7), kShallowTargetDepth);
}

}  // namespace
}  // namespace kestrel::media
