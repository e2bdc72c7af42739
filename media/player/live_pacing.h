// How long a live channel waits after each decode step. The channel keeps a
// small backlog of frames as a jitter buffer: it slows down when the backlog
// runs dry and speeds up when it grows, so network bursts never show as
// stutter and a late channel catches up.
//
// Threading: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::media {

constexpr int kShallowTargetDepth = 5;  // BufferMode 0: low latency
constexpr int kDeepTargetDepth = 15;    // BufferMode 1: smooth
constexpr int kMinLiveSleepMs = 1;
constexpr int kMaxLiveSleepMs = 1000;

// The target depth of a BufferMode (anything but 1 is the shallow one).
int TargetDepthForBufferMode(int32_t buffer_mode);

// BufferMode 0: the wait depends on the backlog alone.
int ShallowBufferSleepMs(size_t queued);

// BufferMode 1: the wait follows the frame gap (next - current time stamp,
// in milliseconds) and is shortened or lengthened by the backlog's distance
// from its target, 1 to 1000 ms.
int DeepBufferSleepMs(size_t queued, int64_t frame_gap_ms);

// The wait for a target depth: 5 uses the shallow table, 15 the deep one.
int LiveSleepMs(int target_depth, size_t queued, int64_t frame_gap_ms);

}  // namespace kestrel::media
