#include "wave_format.h"

#include <array>

#include "kestrel_recorder_traits.h"

namespace kestrel::media {
namespace {

constexpr std::array<WaveFormat, kWaveFormatCount> kFormats{{
    {WaveEncoding::kMuLaw, 1, 8000, 8, 1, 508},
    {WaveEncoding::kPcm16, 2, 48000, 16, 4, 9216},
    {WaveEncoding::kPcm16, 1, 8000, 16, 2, 4050},
    {WaveEncoding::kPcm16, 1, 8000, 16, 2, 1600},
    {WaveEncoding::kPcm16, 1, 8000, 16, 2, 1600},
    {WaveEncoding::kPcm16, 1, 6000, 16, 2, 4050},
}};

}  // namespace

std::optional<int> WaveFormatIndexFor(uint32_t type_code, uint32_t subtype_code) {
    const int8_t index = WaveFormatOf(type_code, subtype_code);
    if (index == kWaveAudioPlayer) {
        return kAudioPlayerFormatIndex;
    }
    if (index == kWaveNone) {
        return std::nullopt;
    }
    return index;
}

const WaveFormat& WaveFormatAt(int index) {
    return kFormats.at(static_cast<size_t>(index));
}

size_t BufferFrames(const WaveFormat& format) {
    return format.buffer_bytes / static_cast<size_t>(format.block_align);
}

}  // namespace kestrel::media
