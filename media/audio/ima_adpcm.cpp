#include "ima_adpcm.h"

#include <algorithm>
#include <array>

namespace kestrel::media {
namespace {

constexpr std::array<int, 89> kStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<int, 16> kIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8,
                                             -1, -1, -1, -1, 2, 4, 6, 8};

struct ImaState {
    int predictor;
    int index;

    int16_t Next(int code) {
        const int step = kStepTable[static_cast<size_t>(index)];
        // The exact product rather than the shift-and-add approximation, so
        // the result matches common decoders sample for sample.
        const int diff = ((2 * (code & 7) + 1) * step) >> 3;
        predictor += (code & 8) ? -diff : diff;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kIndexTable[static_cast<size_t>(code)], 0, 88);
        return static_cast<int16_t>(predictor);
    }
};

}  // namespace

size_t DecodeImaAdpcmBlock(std::span<const uint8_t> block, std::span<int16_t> out) {
    const size_t samples = ImaAdpcmSamples(block.size());
    if (samples == 0 || out.size() < samples) {
        return 0;
    }
    ImaState state{static_cast<int16_t>(block[0] | block[1] << 8),
                   std::clamp(static_cast<int>(block[2]), 0, 88)};
    size_t at = 0;
    out[at++] = static_cast<int16_t>(state.predictor);
    for (size_t i = kImaAdpcmHeaderBytes; i < block.size(); ++i) {
        out[at++] = state.Next(block[i] & 0x0F);
        out[at++] = state.Next(block[i] >> 4);
    }
    return at;
}

}  // namespace kestrel::media
