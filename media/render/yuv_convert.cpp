#include "yuv_convert.h"

#include <algorithm>
#include <array>

namespace kestrel::media {
namespace {

// BT.601 limited range to full range in 16.16 fixed point, per input byte,
// so a pixel costs table look-ups and adds only.
constexpr int kFractionBits = 16;

struct RgbTables {
    std::array<int32_t, 256> luma{};    // 1.164 * (Y - 16), plus rounding
    std::array<int32_t, 256> v_to_r{};  // 1.596 * (V - 128)
    std::array<int32_t, 256> u_to_g{};  // -0.392 * (U - 128)
    std::array<int32_t, 256> v_to_g{};  // -0.813 * (V - 128)
    std::array<int32_t, 256> u_to_b{};  // 2.017 * (U - 128)
};

constexpr RgbTables MakeRgbTables() {
    RgbTables t;
    for (int i = 0; i < 256; ++i) {
        t.luma[i] = 76309 * (i - 16) + (1 << (kFractionBits - 1));
        t.v_to_r[i] = 104597 * (i - 128);
        t.u_to_g[i] = -25675 * (i - 128);
        t.v_to_g[i] = -53279 * (i - 128);
        t.u_to_b[i] = 132201 * (i - 128);
    }
    return t;
}

constexpr RgbTables kRgb = MakeRgbTables();

inline uint8_t ClampToByte(int32_t fixed) {
    return static_cast<uint8_t>(std::clamp(fixed >> kFractionBits, 0, 255));
}

// One pixel as B G R, then X = 0xFF when the layout has four bytes.
template <int kBytesPerPixel>
inline void WritePixel(uint8_t* out, int32_t luma, int32_t r_term, int32_t g_term, int32_t b_term) {
    out[0] = ClampToByte(luma + b_term);
    out[1] = ClampToByte(luma + g_term);
    out[2] = ClampToByte(luma + r_term);
    if constexpr (kBytesPerPixel == 4) {
        out[3] = 0xFF;
    }
}

template <int kBytesPerPixel>
void Yuy2ToBgr(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
               size_t out_stride) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = yuy2 + row * in_stride;
        uint8_t* dst = out + row * out_stride;
        for (int pair = 0; pair < pairs; ++pair) {
            const uint8_t u = src[1];
            const uint8_t v = src[3];
            const int32_t r_term = kRgb.v_to_r[v];
            const int32_t g_term = kRgb.u_to_g[u] + kRgb.v_to_g[v];
            const int32_t b_term = kRgb.u_to_b[u];
            WritePixel<kBytesPerPixel>(dst, kRgb.luma[src[0]], r_term, g_term, b_term);
            WritePixel<kBytesPerPixel>(dst + kBytesPerPixel, kRgb.luma[src[2]], r_term, g_term,
                                       b_term);
            src += 4;
            dst += 2 * kBytesPerPixel;
        }
        if (width % 2 != 0) {
            // The unpaired last pixel carries no V: borrow its neighbour's.
            const uint8_t u = src[1];
            const uint8_t v = pairs > 0 ? src[-1] : 128;
            WritePixel<kBytesPerPixel>(dst, kRgb.luma[src[0]], kRgb.v_to_r[v],
                                       kRgb.u_to_g[u] + kRgb.v_to_g[v], kRgb.u_to_b[u]);
        }
    }
}

}  // namespace

void PlanarToYuy2(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                  uint8_t* out, size_t out_stride) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* y = planes[0] + ptrdiff_t{row} * strides[0];
        const uint8_t* u = planes[1] + ptrdiff_t{row / 2} * strides[1];
        const uint8_t* v = planes[2] + ptrdiff_t{row / 2} * strides[2];
        uint8_t* dst = out + row * out_stride;
        for (int pair = 0; pair < pairs; ++pair) {
            dst[0] = y[2 * pair];
            dst[1] = u[pair];
            dst[2] = y[2 * pair + 1];
            dst[3] = v[pair];
            dst += 4;
        }
        if (width % 2 != 0) {
            // The unpaired last pixel has room for its U only.
            dst[0] = y[width - 1];
            dst[1] = u[pairs];
        }
    }
}

void Yuy2ToRgb32(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
                 size_t out_stride) {
    Yuy2ToBgr<4>(yuy2, in_stride, width, height, out, out_stride);
}

void Yuy2ToBgr24(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
                 size_t out_stride) {
    Yuy2ToBgr<3>(yuy2, in_stride, width, height, out, out_stride);
}

void LiftLuma(uint8_t* yuy2, size_t stride, int width, int height, int level) {
    level = std::clamp(level, 0, 255);
    if (level == 0) {
        return;
    }
    std::array<uint8_t, 256> lifted;
    for (int b = 0; b < 256; ++b) {
        lifted[b] = static_cast<uint8_t>(b + (255 - b) * level / 255);
    }
    for (int row = 0; row < height; ++row) {
        uint8_t* luma = yuy2 + row * stride;
        for (int x = 0; x < width; ++x) {
            luma[2 * x] = lifted[luma[2 * x]];
        }
    }
}

}  // namespace kestrel::media
