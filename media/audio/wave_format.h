// The sound output formats of the recorder types whose audio is decoded
// inside the library, and the choice of format by type.
//
// Threading: constants and plain functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestrel::media {

enum class WaveEncoding { kMuLaw, kPcm16 };

struct WaveFormat {
    WaveEncoding encoding;
    int channels;
    int sample_rate;
    int bits;
    int block_align;
    size_t buffer_bytes;  // one output buffer, in the format's own encoding
};

constexpr int kWaveFormatCount = 6;
// The audio-player group: no wave output, the outside audio player plays.
constexpr int kAudioPlayerFormatIndex = 6;

// Index 0..5, kAudioPlayerFormatIndex, or nullopt when sound cannot open.
std::optional<int> WaveFormatIndexFor(uint32_t type_code, uint32_t subtype_code);
const WaveFormat& WaveFormatAt(int index);  // index 0..5

// Samples per channel in one output buffer.
size_t BufferFrames(const WaveFormat& format);

}  // namespace kestrel::media
