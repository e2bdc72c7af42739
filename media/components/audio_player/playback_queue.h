// What a decoder has to play and what it has played: decoded blocks waiting
// for the device, gain and mute applied as the device takes samples, and the
// record of recent blocks that turns the device's consumption into a clock.
// Not thread-safe: the decoder's lock guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace qw::audio {

inline constexpr int kSampleRate = 8000;

class PlaybackQueue {
public:
    // drop_above_samples: a backlog beyond it is cut to keep_samples by
    // dropping the oldest blocks; 0 never drops. max_samples: a backlog Push
    // refuses to grow beyond.
    PlaybackQueue(size_t drop_above_samples, size_t keep_samples, size_t max_samples);

    // What the device holds after taking it from the queue and before it is
    // heard.
    void SetDeviceBufferSamples(size_t samples) { device_buffer_samples_ = samples; }

    // Queues samples stamped stamp (0 = unstamped); false when that would go
    // beyond max_samples.
    bool Push(uint64_t stamp, std::vector<int16_t> samples);
    // Hands count samples to the device: queued audio with gain and mute
    // applied, silence when the queue runs dry.
    void Fill(int16_t* out, size_t count);

    // Drops the queued audio; the clock still follows what the device holds.
    void DropQueued();
    // Drops the queued audio and forgets what was played.
    void Reset();

    void SetGain(uint16_t gain) { gain_ = gain; }
    void SetMuted(bool muted) { muted_ = muted; }

    size_t QueuedBlocks() const { return queue_.size(); }
    size_t QueuedSamples() const { return queued_samples_; }

    struct Clock {
        bool valid = false;  // false: no stamped audio is audible
        uint64_t pts = 0;
        uint64_t next_pts = 0;
    };
    Clock Now() const;

private:
    struct Block {
        uint64_t serial;
        uint64_t stamp;
        std::vector<int16_t> samples;
        size_t played = 0;
    };
    // A block the device has started taking, placed on the device's sample
    // count.
    struct Played {
        uint64_t serial;
        uint64_t stamp;
        uint64_t first;       // device sample count at the block's first sample
        size_t length;        // samples handed to the device so far
        size_t block_length;  // the block's samples; cut to length when dropped
    };

    uint64_t Audible() const;
    void DropFront();
    void ForgetInaudible();

    const size_t drop_above_samples_;
    const size_t keep_samples_;
    const size_t max_samples_;
    std::deque<Block> queue_;
    std::deque<Played> played_;
    size_t queued_samples_ = 0;
    size_t device_buffer_samples_ = 0;
    uint64_t consumed_ = 0;  // samples handed to the device, silence included
    uint64_t next_serial_ = 0;
    uint16_t gain_ = 0xFFFF;
    bool muted_ = false;
};

}  // namespace qw::audio
