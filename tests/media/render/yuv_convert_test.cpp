// Pixel conversions of the display path against ffmpeg's decoding and
// conversion of the simulator's CIF clip.
#include "yuv_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "clip_frames.h"
#include "memory_window.h"
#include "reference_pictures.h"

namespace kestrel::media::test {
namespace {

constexpr int kFrameCount = 100;
constexpr int kPadding = 24;

std::vector<uint8_t> ToYuy2(const PaddedYuv420& frame, size_t stride) {
    std::vector<uint8_t> yuy2(stride * static_cast<size_t>(frame.height), 0xEE);
    PlanarToYuy2(frame.planes, frame.strides, frame.width, frame.height, yuy2.data(), stride);
    return yuy2;
}

const std::vector<uint8_t>& CifFrames() {
    static const std::vector<uint8_t> frames =
        DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "yuv420p", "bitexact", kFrameCount)
            .value_or(std::vector<uint8_t>{});
    return frames;
}

const uint8_t* CifFrame(int index) {
    return CifFrames().data() + Yuv420FrameBytes(kCifWidth, kCifHeight) * index;
}

TEST(PlanarToYuy2, EveryFrameOfTheClipMatchesItsFrameMd5) {
    const std::vector<std::string> md5s = FrameMd5s(MediaFile("clip_cif.framemd5"));
    ASSERT_EQ(md5s.size(), static_cast<size_t>(kFrameCount));
    ASSERT_EQ(CifFrames().size(), Yuv420FrameBytes(kCifWidth, kCifHeight) * kFrameCount);
    const size_t stride = 2 * kCifWidth + 40;
    for (int i = 0; i < kFrameCount; ++i) {
        const PaddedYuv420 frame(CifFrame(i), kCifWidth, kCifHeight, kPadding);
        const std::vector<uint8_t> yuy2 = ToYuy2(frame, stride);
        EXPECT_EQ(Yuy2AsYuv420Md5(yuy2.data(), kCifWidth, kCifHeight, stride), md5s[i])
            << "frame " << i;
        // Row padding is not the converter's to touch.
        EXPECT_TRUE(std::all_of(yuy2.begin() + 2 * kCifWidth, yuy2.begin() + stride,
                                [](uint8_t b) { return b == 0xEE; }));
    }
}

TEST(PlanarToYuy2, OddSizeRepeatsChromaAndStaysInItsRows) {
    // 5x3: chroma planes of 3x2 samples.
    const std::vector<uint8_t> packed = {10, 11, 12, 13, 14,  // Y row 0
                                         20, 21, 22, 23, 24,  // Y row 1
                                         30, 31, 32, 33, 34,  // Y row 2
                                         40, 41, 42,          // U row 0
                                         50, 51, 52,          // U row 1
                                         60, 61, 62,          // V row 0
                                         70, 71, 72};         // V row 1
    const PaddedYuv420 frame(packed.data(), 5, 3, 3);
    const size_t stride = 12;  // 10 bytes of picture and two guard bytes per row
    const std::vector<uint8_t> yuy2 = ToYuy2(frame, stride);
    const std::vector<uint8_t> expected = {10, 40, 11, 60, 12, 41, 13, 61, 14, 42, 0xEE, 0xEE,  //
                                           20, 40, 21, 60, 22, 41, 23, 61, 24, 42, 0xEE, 0xEE,  //
                                           30, 50, 31, 70, 32, 51, 33, 71, 34, 52, 0xEE, 0xEE};
    EXPECT_EQ(yuy2, expected);
}

TEST(Yuy2ToRgb32, DecodedFrameMatchesFfmpegConversion) {
    const PaddedYuv420 frame(CifFrame(0), kCifWidth, kCifHeight, kPadding);
    const size_t stride = 2 * kCifWidth;
    const std::vector<uint8_t> yuy2 = ToYuy2(frame, stride);
    const size_t rgb_stride = 4 * kCifWidth + 16;
    std::vector<uint8_t> rgb(rgb_stride * kCifHeight, 0xEE);
    Yuy2ToRgb32(yuy2.data(), stride, kCifWidth, kCifHeight, rgb.data(), rgb_stride);

    // ffmpeg's default conversion of an unscaled 4:2:0 picture, like ours,
    // gives each chroma sample to its 2x2 pixels without interpolation.
    const auto reference = DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "bgra", "bicubic", 1);
    ASSERT_TRUE(reference.has_value());
    ASSERT_EQ(reference->size(), size_t{4} * kCifWidth * kCifHeight);

    int max_difference = 0;
    int64_t total_difference = 0;
    for (int y = 0; y < kCifHeight; ++y) {
        for (int x = 0; x < kCifWidth; ++x) {
            const uint8_t* ours = rgb.data() + y * rgb_stride + 4 * x;
            const uint8_t* theirs = reference->data() + (y * kCifWidth + x) * 4;
            for (int c = 0; c < 3; ++c) {
                const int difference = std::abs(ours[c] - theirs[c]);
                max_difference = std::max(max_difference, difference);
                total_difference += difference;
            }
            ASSERT_EQ(ours[3], 0xFF) << x << "," << y;
        }
        ASSERT_EQ(rgb[y * rgb_stride + 4 * kCifWidth], 0xEE) << "row padding written, row " << y;
    }
    EXPECT_LE(max_difference, kRgbMaxDifference);
    // A wrong coefficient or offset shows as a bias over the whole picture.
    EXPECT_LE(static_cast<double>(total_difference) / (3.0 * kCifWidth * kCifHeight),
              kRgbMeanDifference);
}

TEST(Yuy2ToRgb32, EveryInputIsWithinOneOfTheExactMatrixInBothLayouts) {
    // All 2^24 combinations, one row of 256 luma values per chroma pair;
    // values beyond the limited range must clamp, not wrap.
    std::vector<uint8_t> yuy2(512);
    std::vector<uint8_t> rgb32(1024);
    std::vector<uint8_t> bgr24(768);
    int max_difference = 0;
    bool layouts_agree = true;
    for (int u = 0; u < 256; ++u) {
        for (int v = 0; v < 256; ++v) {
            for (int y = 0; y < 256; ++y) {
                yuy2[2 * y] = static_cast<uint8_t>(y);
                yuy2[2 * y + 1] = static_cast<uint8_t>(y % 2 == 0 ? u : v);
            }
            Yuy2ToRgb32(yuy2.data(), yuy2.size(), 256, 1, rgb32.data(), rgb32.size());
            Yuy2ToBgr24(yuy2.data(), yuy2.size(), 256, 1, bgr24.data(), bgr24.size());
            for (int y = 0; y < 256; ++y) {
                const double luma = 255.0 / 219.0 * (y - 16);
                const double cb = 255.0 / 224.0 * (u - 128);
                const double cr = 255.0 / 224.0 * (v - 128);
                const double exact[3] = {
                    luma + 1.772 * cb,
                    luma - 0.114 * 1.772 / 0.587 * cb - 0.299 * 1.402 / 0.587 * cr,
                    luma + 1.402 * cr};
                for (int c = 0; c < 3; ++c) {
                    const int expected =
                        static_cast<int>(std::lround(std::clamp(exact[c], 0.0, 255.0)));
                    max_difference =
                        std::max(max_difference, std::abs(rgb32[4 * y + c] - expected));
                    layouts_agree = layouts_agree && bgr24[3 * y + c] == rgb32[4 * y + c];
                }
            }
        }
    }
    EXPECT_LE(max_difference, 1);
    EXPECT_TRUE(layouts_agree);
}

TEST(PlanarToRgb32, MatchesTheWayThroughYuy2ToTheBitAtAnySize) {
    // Every size up to 37 x 5 of varied samples, odd widths and heights
    // included, and the CIF frame; rows padded on both sides.
    struct Size {
        int width, height;
    };
    std::vector<Size> sizes;
    for (int width = 1; width <= 37; ++width) {
        for (int height = 1; height <= 5; ++height) {
            sizes.push_back({width, height});
        }
    }
    for (const Size size : sizes) {
        const int chroma_width = (size.width + 1) / 2;
        std::vector<uint8_t> planes_storage[3];
        const uint8_t* planes[3];
        const int32_t strides[3] = {size.width + 3, chroma_width + 5, chroma_width + 1};
        for (int p = 0; p < 3; ++p) {
            const int rows = p == 0 ? size.height : (size.height + 1) / 2;
            planes_storage[p].resize(static_cast<size_t>(strides[p]) * rows);
            for (size_t i = 0; i < planes_storage[p].size(); ++i) {
                planes_storage[p][i] = static_cast<uint8_t>(i * (37 + 64 * p) + 11 * p);
            }
            planes[p] = planes_storage[p].data();
        }
        const size_t yuy2_stride = 2 * static_cast<size_t>(size.width) + 4;
        std::vector<uint8_t> yuy2(yuy2_stride * size.height, 0xEE);
        PlanarToYuy2(planes, strides, size.width, size.height, yuy2.data(), yuy2_stride);
        const size_t rgb_stride = 4 * static_cast<size_t>(size.width) + 8;
        std::vector<uint8_t> through_yuy2(rgb_stride * size.height, 0xEE);
        std::vector<uint8_t> direct(rgb_stride * size.height, 0xEE);
        Yuy2ToRgb32(yuy2.data(), yuy2_stride, size.width, size.height, through_yuy2.data(),
                    rgb_stride);
        PlanarToRgb32(planes, strides, size.width, size.height, direct.data(), rgb_stride);
        ASSERT_EQ(direct, through_yuy2) << size.width << " x " << size.height;
    }

    ASSERT_FALSE(CifFrames().empty());
    const PaddedYuv420 frame(CifFrame(7), kCifWidth, kCifHeight, kPadding);
    const size_t yuy2_stride = 2 * kCifWidth;
    const std::vector<uint8_t> yuy2 = ToYuy2(frame, yuy2_stride);
    std::vector<uint8_t> through_yuy2(4 * kCifWidth * kCifHeight);
    std::vector<uint8_t> direct(through_yuy2.size());
    Yuy2ToRgb32(yuy2.data(), yuy2_stride, kCifWidth, kCifHeight, through_yuy2.data(),
                4 * kCifWidth);
    PlanarToRgb32(frame.planes, frame.strides, kCifWidth, kCifHeight, direct.data(), 4 * kCifWidth);
    EXPECT_EQ(direct, through_yuy2);
}

TEST(Yuy2ToPlanar, GivesBackThePlanesAndConvertsAsTheYuy2AtAnySize) {
    // Every size up to 37 x 5; rows padded, with guard bytes in the padding.
    for (int width = 1; width <= 37; ++width) {
        for (int height = 1; height <= 5; ++height) {
            const int chroma_width = (width + 1) / 2;
            const int chroma_height = (height + 1) / 2;
            const int32_t strides[3] = {width + 3, chroma_width + 2, chroma_width + 5};
            std::vector<uint8_t> source[3];
            std::vector<uint8_t> back[3];
            const uint8_t* source_planes[3];
            uint8_t* back_planes[3];
            for (int p = 0; p < 3; ++p) {
                const size_t rows = p == 0 ? height : chroma_height;
                source[p].resize(static_cast<size_t>(strides[p]) * rows);
                for (size_t i = 0; i < source[p].size(); ++i) {
                    source[p][i] = static_cast<uint8_t>(i * (29 + 64 * p) + 7 * p);
                }
                back[p].assign(source[p].size(), 0xEE);
                source_planes[p] = source[p].data();
                back_planes[p] = back[p].data();
            }
            const size_t yuy2_stride = 2 * static_cast<size_t>(width) + 2;
            std::vector<uint8_t> yuy2(yuy2_stride * height);
            PlanarToYuy2(source_planes, strides, width, height, yuy2.data(), yuy2_stride);
            Yuy2ToPlanar(yuy2.data(), yuy2_stride, width, height, back_planes, strides);

            for (int p = 0; p < 3; ++p) {
                const int used = p == 0 ? width : chroma_width;
                for (size_t i = 0; i < back[p].size(); ++i) {
                    const int x = static_cast<int>(i % strides[p]);
                    uint8_t expected = x < used ? source[p][i] : 0xEE;
                    // YUY2 has no room for an odd width's last V: its
                    // neighbour's stands in.
                    if (p == 2 && width % 2 != 0 && x == used - 1) {
                        expected = x > 0 ? source[p][i - 1] : 128;
                    }
                    ASSERT_EQ(back[p][i], expected)
                        << width << " x " << height << " plane " << p << " byte " << i;
                }
            }
            const size_t bgr_stride = 3 * static_cast<size_t>(width) + 3;
            std::vector<uint8_t> from_yuy2(bgr_stride * height, 0xEE);
            std::vector<uint8_t> from_planes(from_yuy2.size(), 0xEE);
            Yuy2ToBgr24(yuy2.data(), yuy2_stride, width, height, from_yuy2.data(), bgr_stride);
            PlanarToBgr24(back_planes, strides, width, height, from_planes.data(), bgr_stride);
            ASSERT_EQ(from_planes, from_yuy2) << width << " x " << height;
        }
    }
}

TEST(Yuy2ToRgb32, OddWidthWritesOnlyItsPixels) {
    // Three grey pixels: the last one has no V byte of its own.
    const uint8_t yuy2[6] = {126, 128, 126, 128, 126, 128};
    uint8_t rgb[16];
    std::fill(std::begin(rgb), std::end(rgb), uint8_t{0xEE});
    Yuy2ToRgb32(yuy2, 6, 3, 1, rgb, 16);
    for (int pixel = 0; pixel < 3; ++pixel) {
        EXPECT_EQ(rgb[4 * pixel + 0], rgb[0]);
        EXPECT_EQ(rgb[4 * pixel + 1], rgb[0]);
        EXPECT_EQ(rgb[4 * pixel + 2], rgb[0]);
    }
    EXPECT_EQ(rgb[12], 0xEE);
}

TEST(Yuy2ToBgr24, OddWidthWritesOnlyItsPixels) {
    // Grey on the left; the unpaired third pixel is blue and borrows V.
    const uint8_t yuy2[6] = {126, 128, 126, 128, 81, 240};
    uint8_t rgb32[12];
    uint8_t bgr24[12];
    std::fill(std::begin(bgr24), std::end(bgr24), uint8_t{0xEE});
    Yuy2ToRgb32(yuy2, 6, 3, 1, rgb32, 12);
    Yuy2ToBgr24(yuy2, 6, 3, 1, bgr24, 12);
    for (int pixel = 0; pixel < 3; ++pixel) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(bgr24[3 * pixel + c], rgb32[4 * pixel + c]) << pixel << "," << c;
        }
    }
    EXPECT_EQ(bgr24[9], 0xEE);
}

class LiftLumaTest : public ::testing::TestWithParam<int> {};

TEST_P(LiftLumaTest, LiftsLumaTowardsWhiteAndLeavesChroma) {
    const int level = GetParam();
    const PaddedYuv420 frame(CifFrame(0), kCifWidth, kCifHeight, kPadding);
    const size_t stride = 2 * kCifWidth + 8;
    const std::vector<uint8_t> original = ToYuy2(frame, stride);
    std::vector<uint8_t> lifted = original;
    LiftLuma(lifted.data(), stride, kCifWidth, kCifHeight, level);

    const int effective = std::clamp(level, 0, 255);
    for (int y = 0; y < kCifHeight; ++y) {
        for (size_t i = 0; i < stride; ++i) {
            const size_t at = y * stride + i;
            const bool luma = i < 2 * kCifWidth && i % 2 == 0;
            const int expected =
                luma ? original[at] + (255 - original[at]) * effective / 255 : original[at];
            ASSERT_EQ(lifted[at], expected) << "row " << y << " byte " << i;
        }
    }
}

// 300 and -5 are outside the range and count as 255 and 0.
INSTANTIATE_TEST_SUITE_P(Levels, LiftLumaTest, ::testing::Values(0, 1, 128, 255, 300, -5));

}  // namespace
}  // namespace kestrel::media::test
