#include "wave_format.h"

#include <array>

#include "model_table.h"

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

constexpr uint32_t kSubtypeMuLawAudio = 0x02016100;

}  // namespace

std::optional<int> WaveFormatIndexFor(uint32_t type_code, uint32_t subtype_code) {
    if (IsAudioPlayerType(type_code)) {
        return kAudioPlayerFormatIndex;
    }
    switch (type_code) {
        case 0x01000101:
            return 0;
        case 0x01000102:
            return 1;
        case 0x01000103:
            return 2;
        case 0x01000104:
        case 0x01000205:
        case 0x01000301:
            return 3;
        case 0x01000201:
        case 0x01000202:
        case 0x01000204:
            return subtype_code == kSubtypeMuLawAudio ? 0 : 2;
        case 0x01000203:
        case 0x01000206:
            return 5;
        default:
            return std::nullopt;
    }
}

const WaveFormat& WaveFormatAt(int index) {
    return kFormats.at(static_cast<size_t>(index));
}

size_t BufferFrames(const WaveFormat& format) {
    return format.buffer_bytes / static_cast<size_t>(format.block_align);
}

}  // namespace kestrel::media
