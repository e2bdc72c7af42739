// The frames waiting for one channel's decoder: up to 500 frames whose
// bytes live in a 4 MiB ring, both allocated once.
//
// Full queue: with 500 frames queued a pushed frame is dropped (push
// returns false) until the decoder takes some. When the byte ring lacks
// room, the oldest queued frames are discarded to make it; a frame larger
// than the whole ring is refused.
//
// Threading: push runs on the input thread, take on the channel thread;
// every call takes the queue's own lock, so any thread may call any of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace kestrel::media {

constexpr size_t kFrameQueueFrames = 500;
constexpr size_t kFrameQueueBytes = 0x400000;
constexpr uint64_t kDefaultFrameStepUs = 150000;
constexpr uint64_t kMaxFrameStepUs = 1000000;  // larger steps are taken as jumps

class FrameQueue {
public:
    // nullptr when the ring cannot be allocated.
    static std::unique_ptr<FrameQueue> Create();

    bool Push(std::span<const uint8_t> frame, uint32_t tag, uint64_t pts_us);

    enum class TakeStatus { kFrame, kEmpty, kTooLarge };
    struct Taken {
        TakeStatus status = TakeStatus::kEmpty;
        size_t length = 0;  // for kTooLarge: the length `out` would have needed
        uint32_t tag = 0;
        uint64_t pts_us = 0;
        // Time stamp of the frame behind this one; when none is queued, this
        // one's plus the last step between taken frames.
        uint64_t next_pts_us = 0;
    };
    // Copies the oldest frame into `out` and removes it. A frame that does
    // not fit in `out` is removed too (kTooLarge), so one bad frame cannot
    // stall the channel.
    Taken Take(std::span<uint8_t> out);

    size_t Count() const;
    // Empties the queue, zeroes the ring and forgets the time stamp history.
    void Reset();

    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

private:
    struct Descriptor {
        uint32_t tag = 0;
        uint32_t length = 0;
        uint64_t pts_us = 0;
    };
    explicit FrameQueue(std::unique_ptr<uint8_t[]> ring) : ring_(std::move(ring)) {}
    void DropOldest();
    void ResetLocked();
    void CopyOut(size_t from, std::span<uint8_t> out) const;

    mutable std::mutex mutex_;
    // All below guarded by mutex_. Frames sit in the ring in queue order, the
    // oldest at read_.
    std::unique_ptr<uint8_t[]> ring_;
    Descriptor frames_[kFrameQueueFrames];
    size_t head_ = 0;  // index of the oldest descriptor
    size_t count_ = 0;
    size_t read_ = 0;
    size_t write_ = 0;
    size_t used_bytes_ = 0;
    bool have_previous_ = false;
    uint64_t previous_pts_us_ = 0;
    uint64_t last_step_us_ = kDefaultFrameStepUs;
};

}  // namespace kestrel::media
