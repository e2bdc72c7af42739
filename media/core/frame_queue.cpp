#include "frame_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel::media {

std::unique_ptr<FrameQueue> FrameQueue::Create() {
    // Left unset: a take reads only bytes a push wrote, and a player start
    // need not touch all 4 MiB.
    std::unique_ptr<uint8_t[]> ring(new (std::nothrow) uint8_t[kFrameQueueBytes]);
    if (!ring) {
        return nullptr;
    }
    return std::unique_ptr<FrameQueue>(new (std::nothrow) FrameQueue(std::move(ring)));
}

bool FrameQueue::Push(std::span<const uint8_t> frame, uint32_t tag, uint64_t pts_us) {
    std::lock_guard lock(mutex_);
    if (count_ >= kFrameQueueFrames || frame.size() > kFrameQueueBytes) {
        return false;
    }
    while (kFrameQueueBytes - used_bytes_ < frame.size()) {
        DropOldest();
    }
    if (!frame.empty()) {
        const size_t first = std::min(frame.size(), kFrameQueueBytes - write_);
        std::memcpy(ring_.get() + write_, frame.data(), first);
        std::memcpy(ring_.get(), frame.data() + first, frame.size() - first);
    }
    write_ = (write_ + frame.size()) % kFrameQueueBytes;
    used_bytes_ += frame.size();
    frames_[(head_ + count_) % kFrameQueueFrames] =
        Descriptor{tag, static_cast<uint32_t>(frame.size()), pts_us};
    ++count_;
    return true;
}

FrameQueue::Taken FrameQueue::Take(std::span<uint8_t> out) {
    std::lock_guard lock(mutex_);
    Taken taken;
    if (count_ == 0) {
        return taken;
    }
    const Descriptor frame = frames_[head_];
    if (frame.length > used_bytes_) {
        // The descriptors no longer describe the ring: start over empty
        // rather than hand out foreign bytes.
        ResetLocked();
        return taken;
    }
    taken.length = frame.length;
    taken.tag = frame.tag;
    taken.pts_us = frame.pts_us;
    if (frame.length <= out.size()) {
        if (frame.length != 0) {
            CopyOut(read_, out.first(frame.length));
        }
        taken.status = TakeStatus::kFrame;
    } else {
        taken.status = TakeStatus::kTooLarge;
    }
    DropOldest();

    if (have_previous_) {
        const uint64_t step = frame.pts_us - previous_pts_us_;
        last_step_us_ = (step > kMaxFrameStepUs || (step >> 32) != 0) ? kDefaultFrameStepUs : step;
    }
    have_previous_ = true;
    previous_pts_us_ = frame.pts_us;
    taken.next_pts_us = count_ > 0 ? frames_[head_].pts_us : frame.pts_us + last_step_us_;
    return taken;
}

void FrameQueue::CopyOut(size_t from, std::span<uint8_t> out) const {
    const size_t first = std::min(out.size(), kFrameQueueBytes - from);
    std::memcpy(out.data(), ring_.get() + from, first);
    std::memcpy(out.data() + first, ring_.get(), out.size() - first);
}

void FrameQueue::DropOldest() {
    const Descriptor& frame = frames_[head_];
    read_ = (read_ + frame.length) % kFrameQueueBytes;
    used_bytes_ -= frame.length;
    head_ = (head_ + 1) % kFrameQueueFrames;
    --count_;
}

size_t FrameQueue::Count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

void FrameQueue::Reset() {
    std::lock_guard lock(mutex_);
    ResetLocked();
}

void FrameQueue::ResetLocked() {
    std::memset(ring_.get(), 0, kFrameQueueBytes);
    head_ = count_ = read_ = write_ = used_bytes_ = 0;
    have_previous_ = false;
    previous_pts_us_ = 0;
    last_step_us_ = kDefaultFrameStepUs;
}

}  // namespace kestrel::media
