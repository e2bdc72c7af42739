// G.711 mu-law, shared by the components that carry recorder audio: one code
// per 16-bit sample, the same codes and levels ffmpeg's pcm_mulaw uses.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace qw::g711 {

// The level of a mu-law code, in 16-bit full scale.
constexpr int16_t MulawToLinear(uint8_t code) {
    const unsigned bits = static_cast<uint8_t>(~code);
    const int magnitude = ((static_cast<int>(bits & 0x0F) << 3) + 0x84) << ((bits & 0x70) >> 4);
    return static_cast<int16_t>((bits & 0x80) != 0 ? 0x84 - magnitude : magnitude - 0x84);
}

namespace detail {

// Positive level n (0..127) is code n ^ 0xFF; negative level n is n ^ 0x7F.
constexpr int PositiveLevel(int n) {
    return MulawToLinear(static_cast<uint8_t>(n ^ 0xFF));
}

// Decision points on the 14-bit scale (sample >> 2): a magnitude at or above
// point n is nearer level n + 1 than level n.
constexpr std::array<int, 127> kDecisionPoints = [] {
    std::array<int, 127> points{};
    for (int n = 0; n < 127; ++n) {
        points[static_cast<size_t>(n)] = (PositiveLevel(n) + PositiveLevel(n + 1) + 4) >> 3;
    }
    return points;
}();

}  // namespace detail

// The code whose level is nearest the sample, judged on its top 14 bits.
inline uint8_t LinearToMulaw(int16_t sample) {
    const int scaled = (sample + 32768) >> 2;  // 0..16383, 8192 = zero
    const int offset = scaled - 8192;
    if (offset == 0) {
        return 0xFF;
    }
    const int magnitude = offset < 0 ? -offset : offset;
    const auto& points = detail::kDecisionPoints;
    const int level = static_cast<int>(std::upper_bound(points.begin(), points.end(), magnitude) -
                                       points.begin());
    return static_cast<uint8_t>(offset > 0 ? level ^ 0xFF : level ^ 0x7F);
}

}  // namespace qw::g711
