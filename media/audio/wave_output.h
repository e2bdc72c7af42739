// Plays the PCM ring of a channel on the default sound output: two buffers
// of the format's size take turns, refilled by the WaveFeeder as the device
// finishes each. Samples in the ring are signed 16-bit in the format's
// channels and rate; the µ-law format's buffer holds as many samples as its
// encoded size, since the decoders all produce linear samples.
//
// Threading: Open, SetVolume and destruction come from control threads (one
// at a time); the device callback runs on the audio system's thread and
// touches only the feeder, the buffers and the atomic volume. Destruction
// waits for a running callback.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pcm_ring.h"
#include "wave_feeder.h"
#include "wave_format.h"

namespace kestrel::media {

class WaveOutput {
public:
    // nullptr when no output device can be opened (`error` says why).
    static std::unique_ptr<WaveOutput> Open(const WaveFormat& format, PcmRing& ring,
                                            std::string* error);
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    // 0..0xFFFF, the same on every channel; 0xFFFF plays samples unchanged.
    void SetVolume(int volume) { volume_.store(volume, std::memory_order_relaxed); }

    uint64_t BuffersPlayed() const { return buffers_played_.load(); }

private:
    WaveOutput(PcmRing& ring, size_t buffer_bytes);
    static void DeviceCallback(void* user, uint8_t* stream, int length);
    void Fill(uint8_t* stream, size_t length);
    void NextBuffer();

    WaveFeeder feeder_;
    std::vector<uint8_t> buffers_[2];  // played in turn
    int playing_ = 0;
    size_t position_ = 0;  // in the playing buffer
    std::atomic<int> volume_{0xFFFF};
    std::atomic<uint64_t> buffers_played_{0};
    uint32_t device_ = 0;
};

}  // namespace kestrel::media
