#include "playback_queue.h"

#include <algorithm>
#include <utility>

namespace qw::audio {

namespace {

uint64_t SamplesToMicros(uint64_t samples) {
    return samples * 1'000'000 / kSampleRate;
}

int16_t Scale(int16_t sample, uint16_t gain) {
    // 0xFFFF is exact unity, so full volume leaves samples untouched.
    return static_cast<int16_t>(int32_t{sample} * int32_t{gain} / 0xFFFF);
}

}  // namespace

PlaybackQueue::PlaybackQueue(size_t drop_above_samples, size_t keep_samples, size_t max_samples)
    : drop_above_samples_(drop_above_samples),
      keep_samples_(keep_samples),
      max_samples_(max_samples) {}

bool PlaybackQueue::Push(uint64_t stamp, std::vector<int16_t> samples) {
    if (samples.empty()) {
        return true;
    }
    if (queued_samples_ + samples.size() > max_samples_) {
        return false;
    }
    queued_samples_ += samples.size();
    queue_.push_back(Block{next_serial_++, stamp, std::move(samples)});
    if (drop_above_samples_ > 0 && queued_samples_ > drop_above_samples_) {
        while (queued_samples_ > keep_samples_ && queue_.size() > 1) {
            DropFront();
        }
    }
    return true;
}

void PlaybackQueue::Fill(int16_t* out, size_t count) {
    size_t done = 0;
    while (done < count && !queue_.empty()) {
        Block& block = queue_.front();
        if (block.played == 0) {
            played_.push_back(
                Played{block.serial, block.stamp, consumed_ + done, 0, block.samples.size()});
        }
        const size_t take = std::min(count - done, block.samples.size() - block.played);
        const int16_t* from = block.samples.data() + block.played;
        for (size_t i = 0; i < take; ++i) {
            out[done + i] = muted_ ? int16_t{0} : Scale(from[i], gain_);
        }
        block.played += take;
        played_.back().length += take;
        queued_samples_ -= take;
        done += take;
        if (block.played == block.samples.size()) {
            queue_.pop_front();
        }
    }
    std::fill(out + done, out + count, int16_t{0});
    consumed_ += count;
    ForgetInaudible();
}

void PlaybackQueue::DropQueued() {
    while (!queue_.empty()) {
        DropFront();
    }
}

void PlaybackQueue::Reset() {
    DropQueued();
    played_.clear();
}

PlaybackQueue::Clock PlaybackQueue::Now() const {
    const uint64_t audible = Audible();
    for (size_t i = 0; i < played_.size(); ++i) {
        const Played& span = played_[i];
        if (audible < span.first || audible >= span.first + span.length) {
            continue;
        }
        if (span.stamp == 0) {
            return {};
        }
        Clock clock{true, span.stamp + SamplesToMicros(audible - span.first), 0};
        // The next block is either already in the device or still queued.
        uint64_t next = 0;
        if (i + 1 < played_.size()) {
            next = played_[i + 1].stamp;
        } else {
            for (const Block& block : queue_) {
                if (block.serial > span.serial) {
                    next = block.stamp;
                    break;
                }
            }
        }
        clock.next_pts = next != 0 ? next : span.stamp + SamplesToMicros(span.block_length);
        return clock;
    }
    return {};
}

uint64_t PlaybackQueue::Audible() const {
    return consumed_ > device_buffer_samples_ ? consumed_ - device_buffer_samples_ : 0;
}

void PlaybackQueue::DropFront() {
    const Block& block = queue_.front();
    if (block.played > 0 && !played_.empty() && played_.back().serial == block.serial) {
        played_.back().block_length = block.played;
    }
    queued_samples_ -= block.samples.size() - block.played;
    queue_.pop_front();
}

void PlaybackQueue::ForgetInaudible() {
    const uint64_t audible = Audible();
    // A block still being taken ends beyond the audible point, so it stays.
    while (!played_.empty() && played_.front().first + played_.front().length <= audible) {
        played_.pop_front();
    }
}

}  // namespace qw::audio
