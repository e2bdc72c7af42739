#include "wave_feeder.h"

#include <algorithm>
#include <cstring>

namespace kestrel::media {

WaveFeeder::Fill WaveFeeder::Refill(std::span<uint8_t> buffer, std::span<const uint8_t> latest) {
    if (ring_.Take(buffer)) {
        shortfalls_ = 0;
        return Fill::kData;
    }
    if (++shortfalls_ == 1) {
        // The buffer's own content is two buffers old; replaying it would
        // put older sound after newer.
        std::memcpy(buffer.data(), latest.data(), std::min(buffer.size(), latest.size()));
        return Fill::kRepeat;
    }
    std::memset(buffer.data(), 0, buffer.size());
    return Fill::kSilence;
}

}  // namespace kestrel::media
