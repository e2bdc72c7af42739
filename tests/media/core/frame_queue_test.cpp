// The frame queue's limits, its byte ring and its time stamp forecast.
#include "frame_queue.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using kestrel::media::FrameQueue;
using Status = FrameQueue::TakeStatus;

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed * 31 + i * 13 + (i >> 12));
    }
    return bytes;
}

TEST(FrameQueue, FrameBeyondFiveHundredIsDroppedNotTheOldest) {
    auto queue = FrameQueue::Create();
    ASSERT_TRUE(queue);
    for (uint32_t i = 0; i < 500; ++i) {
        ASSERT_TRUE(queue->Push(Pattern(10, static_cast<uint8_t>(i)), i, i * 1000));
    }
    EXPECT_FALSE(queue->Push(Pattern(10, 1), 500, 500000));
    EXPECT_EQ(queue->Count(), 500u);

    Bytes out(64);
    const auto first = queue->Take(out);
    EXPECT_EQ(first.status, Status::kFrame);
    EXPECT_EQ(first.tag, 0u);
    EXPECT_EQ(first.next_pts_us, 1000u);  // the frame behind it
    EXPECT_TRUE(queue->Push(Pattern(10, 2), 501, 501000));
    EXPECT_EQ(queue->Count(), 500u);
}

TEST(FrameQueue, RingWrapsAndMakesRoomByDiscardingTheOldest) {
    auto queue = FrameQueue::Create();
    const size_t big = kestrel::media::kFrameQueueBytes / 8 * 3;  // 1.5 MiB
    const Bytes a = Pattern(big, 1), b = Pattern(big, 2), c = Pattern(big + 5, 3);
    ASSERT_TRUE(queue->Push(a, 1, 0));
    ASSERT_TRUE(queue->Push(b, 2, 40000));
    // c runs past the end of the ring and needs a's room.
    ASSERT_TRUE(queue->Push(c, 3, 80000));
    EXPECT_EQ(queue->Count(), 2u);

    Bytes out(big + 5);
    auto taken = queue->Take(out);
    ASSERT_EQ(taken.status, Status::kFrame);
    EXPECT_EQ(taken.tag, 2u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + taken.length), b);
    taken = queue->Take(out);
    ASSERT_EQ(taken.status, Status::kFrame);
    EXPECT_EQ(taken.tag, 3u);
    EXPECT_EQ(out, c);

    // Bigger than the whole ring: refused, nothing discarded.
    ASSERT_TRUE(queue->Push(a, 4, 0));
    EXPECT_FALSE(queue->Push(Bytes(kestrel::media::kFrameQueueBytes + 1), 5, 0));
    EXPECT_EQ(queue->Count(), 1u);
}

TEST(FrameQueue, FrameTooLargeForTheCallerIsRemovedWithoutCopying) {
    auto queue = FrameQueue::Create();
    ASSERT_TRUE(queue->Push(Pattern(100, 4), 7, 0));
    ASSERT_TRUE(queue->Push(Pattern(10, 5), 8, 40000));
    Bytes out(50, 0xEE);
    const auto taken = queue->Take(out);
    EXPECT_EQ(taken.status, Status::kTooLarge);
    EXPECT_EQ(taken.length, 100u);
    EXPECT_EQ(out, Bytes(50, 0xEE));
    const auto next = queue->Take(out);
    EXPECT_EQ(next.status, Status::kFrame);
    EXPECT_EQ(next.tag, 8u);
    EXPECT_EQ(queue->Take(out).status, Status::kEmpty);
}

TEST(FrameQueue, NextTimeStampOfTheLastFrameFollowsTheLastPlausibleStep) {
    auto queue = FrameQueue::Create();
    Bytes out(16);
    auto take_alone = [&](uint64_t pts) {
        EXPECT_TRUE(queue->Push(Pattern(16, 6), 0, pts));
        const auto taken = queue->Take(out);
        EXPECT_EQ(taken.pts_us, pts);
        return taken.next_pts_us;
    };
    EXPECT_EQ(take_alone(2000000), 2150000u);  // no step seen yet
    EXPECT_EQ(take_alone(2040000), 2080000u);
    EXPECT_EQ(take_alone(2100000), 2160000u);
    EXPECT_EQ(take_alone(2100000 + 1000001), 3100001u + 150000);  // a jump
    EXPECT_EQ(take_alone(3100001 + 1000000), 4100001u + 1000000);
    EXPECT_EQ(take_alone(1000), 1000u + 150000);  // backwards

    queue->Reset();
    EXPECT_EQ(queue->Count(), 0u);
    EXPECT_EQ(take_alone(500000), 650000u);
}

}  // namespace
