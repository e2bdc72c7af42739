// What the wave output plays next, one buffer at a time: a whole buffer
// from the ring when it holds one; otherwise the latest buffer once more
// (a short gap is less audible repeated than silenced), then silence until
// data comes back.
//
// Threading: used by the audio device's thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "pcm_ring.h"

namespace kestrel::media {

class WaveFeeder {
public:
    enum class Fill { kData, kRepeat, kSilence };

    explicit WaveFeeder(PcmRing& ring) : ring_(ring) {}

    // Refills `buffer` (just played); `latest` is the buffer queued behind
    // it, the newest audio, of the same size.
    Fill Refill(std::span<uint8_t> buffer, std::span<const uint8_t> latest);
    int ShortfallsInARow() const { return shortfalls_; }

private:
    PcmRing& ring_;
    int shortfalls_ = 0;
};

}  // namespace kestrel::media
