#include "yuv_convert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

// The hot loops are built once more for AVX2 and AVX-512 machines and picked
// at load time; the generic build stays for every other x86-64. Sanitizer
// builds keep the generic one: the load-time choice runs before their
// run-time is up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
#define KESTREL_PIXEL_LOOP __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define KESTREL_PIXEL_LOOP
#endif

namespace kestrel::media {
namespace {

// BT.601 limited range to full range in 16.16 fixed point. Plain integer
// arithmetic, not tables, so the compiler can work on many pixels at once.
constexpr int kFractionBits = 16;
constexpr int32_t kLumaGain = 76309;  // 1.164
constexpr int32_t kVToR = 104597;     // 1.596
constexpr int32_t kUToG = -25675;     // -0.392
constexpr int32_t kVToG = -53279;     // -0.813
constexpr int32_t kUToB = 132201;     // 2.017
constexpr int32_t kRounding = 1 << (kFractionBits - 1);

inline int32_t Luma(int32_t y) {
    return kLumaGain * (y - 16) + kRounding;
}

inline uint32_t ToByte(int32_t fixed) {
    return static_cast<uint32_t>(std::clamp(fixed >> kFractionBits, 0, 255));
}

// One pixel as B G R X with X = 0xFF, in memory order.
inline uint32_t PackBgrx(int32_t luma, int32_t r_term, int32_t g_term, int32_t b_term) {
    return ToByte(luma + b_term) | ToByte(luma + g_term) << 8 | ToByte(luma + r_term) << 16 |
           0xFF000000u;
}

inline void StoreLittleEndian(uint8_t* out, uint32_t value) {
    if constexpr (std::endian::native != std::endian::little) {
        value = ((value & 0xFFu) << 24) | ((value & 0xFF00u) << 8) | ((value >> 8) & 0xFF00u) |
                (value >> 24);
    }
    std::memcpy(out, &value, sizeof value);
}

// Whole pixel pairs of one row.
KESTREL_PIXEL_LOOP void PairsToBgrx(const uint8_t* __restrict src, int pairs,
                                    uint8_t* __restrict dst) {
    for (int pair = 0; pair < pairs; ++pair) {
        const int32_t u = src[4 * pair + 1] - 128;
        const int32_t v = src[4 * pair + 3] - 128;
        const int32_t r_term = kVToR * v;
        const int32_t g_term = kUToG * u + kVToG * v;
        const int32_t b_term = kUToB * u;
        const uint32_t first = PackBgrx(Luma(src[4 * pair]), r_term, g_term, b_term);
        const uint32_t second = PackBgrx(Luma(src[4 * pair + 2]), r_term, g_term, b_term);
        StoreLittleEndian(dst + 8 * pair, first);
        StoreLittleEndian(dst + 8 * pair + 4, second);
    }
}

KESTREL_PIXEL_LOOP void PairsToBgr(const uint8_t* __restrict src, int pairs,
                                   uint8_t* __restrict dst) {
    for (int pair = 0; pair < pairs; ++pair) {
        const int32_t u = src[4 * pair + 1] - 128;
        const int32_t v = src[4 * pair + 3] - 128;
        const int32_t r_term = kVToR * v;
        const int32_t g_term = kUToG * u + kVToG * v;
        const int32_t b_term = kUToB * u;
        for (int half = 0; half < 2; ++half) {
            const int32_t luma = Luma(src[4 * pair + 2 * half]);
            uint8_t* out = dst + 6 * pair + 3 * half;
            out[0] = static_cast<uint8_t>(ToByte(luma + b_term));
            out[1] = static_cast<uint8_t>(ToByte(luma + g_term));
            out[2] = static_cast<uint8_t>(ToByte(luma + r_term));
        }
    }
}

// The same for pairs given as planes: luma pairs, one U and one V each.
KESTREL_PIXEL_LOOP void PlanarPairsToBgrx(const uint8_t* __restrict y, const uint8_t* __restrict u,
                                          const uint8_t* __restrict v, int pairs,
                                          uint8_t* __restrict dst) {
    for (int pair = 0; pair < pairs; ++pair) {
        const int32_t cb = u[pair] - 128;
        const int32_t cr = v[pair] - 128;
        const int32_t r_term = kVToR * cr;
        const int32_t g_term = kUToG * cb + kVToG * cr;
        const int32_t b_term = kUToB * cb;
        const uint32_t first = PackBgrx(Luma(y[2 * pair]), r_term, g_term, b_term);
        const uint32_t second = PackBgrx(Luma(y[2 * pair + 1]), r_term, g_term, b_term);
        StoreLittleEndian(dst + 8 * pair, first);
        StoreLittleEndian(dst + 8 * pair + 4, second);
    }
}

KESTREL_PIXEL_LOOP void PlanarPairsToBgr(const uint8_t* __restrict y, const uint8_t* __restrict u,
                                         const uint8_t* __restrict v, int pairs,
                                         uint8_t* __restrict dst) {
    for (int pair = 0; pair < pairs; ++pair) {
        const int32_t cb = u[pair] - 128;
        const int32_t cr = v[pair] - 128;
        const int32_t r_term = kVToR * cr;
        const int32_t g_term = kUToG * cb + kVToG * cr;
        const int32_t b_term = kUToB * cb;
        for (int half = 0; half < 2; ++half) {
            const int32_t luma = Luma(y[2 * pair + half]);
            uint8_t* out = dst + 6 * pair + 3 * half;
            out[0] = static_cast<uint8_t>(ToByte(luma + b_term));
            out[1] = static_cast<uint8_t>(ToByte(luma + g_term));
            out[2] = static_cast<uint8_t>(ToByte(luma + r_term));
        }
    }
}

// One pixel of the given samples, the first bytes_per_pixel of B G R X.
void OnePixel(uint8_t luma, uint8_t u, uint8_t v, uint8_t* dst, int bytes_per_pixel) {
    const int32_t cb = u - 128;
    const int32_t cr = v - 128;
    const uint32_t pixel = PackBgrx(Luma(luma), kVToR * cr, kUToG * cb + kVToG * cr, kUToB * cb);
    for (int i = 0; i < bytes_per_pixel; ++i) {
        dst[i] = static_cast<uint8_t>(pixel >> (8 * i));
    }
}

template <int kBytesPerPixel>
void Yuy2ToBgr(const uint8_t* yuy2, size_t in_stride, int width, int height, uint8_t* out,
               size_t out_stride) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = yuy2 + row * in_stride;
        uint8_t* dst = out + row * out_stride;
        if constexpr (kBytesPerPixel == 4) {
            PairsToBgrx(src, pairs, dst);
        } else {
            PairsToBgr(src, pairs, dst);
        }
        if (width % 2 != 0) {
            // The unpaired last pixel carries no V: it borrows its neighbour's.
            const uint8_t* last = src + 4 * pairs;
            OnePixel(last[0], last[1], pairs > 0 ? last[-1] : 128, dst + 2 * kBytesPerPixel * pairs,
                     kBytesPerPixel);
        }
    }
}

// One row's whole pairs as Y0 U Y1 V.
KESTREL_PIXEL_LOOP void InterleaveRow(const uint8_t* __restrict y, const uint8_t* __restrict u,
                                      const uint8_t* __restrict v, int pairs,
                                      uint8_t* __restrict dst) {
    for (int pair = 0; pair < pairs; ++pair) {
        const uint32_t packed = uint32_t{y[2 * pair]} | uint32_t{u[pair]} << 8 |
                                uint32_t{y[2 * pair + 1]} << 16 | uint32_t{v[pair]} << 24;
        StoreLittleEndian(dst + 4 * pair, packed);
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
        InterleaveRow(y, u, v, pairs, dst);
        if (width % 2 != 0) {
            // The unpaired last pixel has room for its U only.
            dst[4 * pairs] = y[width - 1];
            dst[4 * pairs + 1] = u[pairs];
        }
    }
}

void PlanarToRgb32(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                   uint8_t* out, size_t out_stride) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* y = planes[0] + ptrdiff_t{row} * strides[0];
        const uint8_t* u = planes[1] + ptrdiff_t{row / 2} * strides[1];
        const uint8_t* v = planes[2] + ptrdiff_t{row / 2} * strides[2];
        uint8_t* dst = out + row * out_stride;
        PlanarPairsToBgrx(y, u, v, pairs, dst);
        if (width % 2 != 0) {
            // As through YUY2: the last V of the row stands in for the one
            // the unpaired pixel has no room for.
            OnePixel(y[width - 1], u[pairs], pairs > 0 ? v[pairs - 1] : 128, dst + 8 * pairs, 4);
        }
    }
}

void Yuy2ToPlanar(const uint8_t* yuy2, size_t in_stride, int width, int height,
                  uint8_t* const planes[3], const int32_t strides[3]) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* src = yuy2 + row * in_stride;
        uint8_t* y = planes[0] + ptrdiff_t{row} * strides[0];
        for (int x = 0; x < width; ++x) {
            y[x] = src[2 * x];
        }
        if (row % 2 != 0) {
            continue;
        }
        uint8_t* u = planes[1] + ptrdiff_t{row / 2} * strides[1];
        uint8_t* v = planes[2] + ptrdiff_t{row / 2} * strides[2];
        for (int pair = 0; pair < pairs; ++pair) {
            u[pair] = src[4 * pair + 1];
            v[pair] = src[4 * pair + 3];
        }
        if (width % 2 != 0) {
            u[pairs] = src[4 * pairs + 1];
            v[pairs] = pairs > 0 ? v[pairs - 1] : 128;
        }
    }
}

void PlanarToBgr24(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                   uint8_t* out, size_t out_stride) {
    const int pairs = width / 2;
    for (int row = 0; row < height; ++row) {
        const uint8_t* y = planes[0] + ptrdiff_t{row} * strides[0];
        const uint8_t* u = planes[1] + ptrdiff_t{row / 2} * strides[1];
        const uint8_t* v = planes[2] + ptrdiff_t{row / 2} * strides[2];
        uint8_t* dst = out + row * out_stride;
        PlanarPairsToBgr(y, u, v, pairs, dst);
        if (width % 2 != 0) {
            OnePixel(y[width - 1], u[pairs], v[pairs], dst + 6 * pairs, 3);
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
namespace {

void LiftEvery(uint8_t* pixels, size_t stride, int width, int height, int step, int level) {
    level = std::clamp(level, 0, 255);
    if (level == 0) {
        return;
    }
    std::array<uint8_t, 256> lifted;
    for (int b = 0; b < 256; ++b) {
        lifted[b] = static_cast<uint8_t>(b + (255 - b) * level / 255);
    }
    for (int row = 0; row < height; ++row) {
        uint8_t* luma = pixels + row * stride;
        for (int x = 0; x < width; ++x) {
            luma[step * x] = lifted[luma[step * x]];
        }
    }
}

}  // namespace

void LiftLuma(uint8_t* yuy2, size_t stride, int width, int height, int level) {
    LiftEvery(yuy2, stride, width, height, 2, level);
}

void LiftLumaPlane(uint8_t* luma, size_t stride, int width, int height, int level) {
    LiftEvery(luma, stride, width, height, 1, level);
}

}  // namespace kestrel::media
