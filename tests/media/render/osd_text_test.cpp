// On-screen text: argument checks, the exact pixels of known glyphs, the
// four positions, and clipping at the picture edges.
#include "osd_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "osd_font.h"

namespace kestrel::media {
namespace {

constexpr int32_t kBadArgument = static_cast<int32_t>(0x80060000u);
constexpr int kRed = 0xE0;  // RRRGGGBB

using PixelSet = std::set<std::pair<int, int>>;  // (x, y)

// Set pixels of a font glyph placed at (x0, y0), clipped to width x height.
void AddGlyph(PixelSet& pixels, const uint8_t* rows, int bytes_per_row, int x0, int y0,
              int width = 1 << 20, int height = 1 << 20) {
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 8 * bytes_per_row; ++column) {
            const uint8_t byte = rows[row * bytes_per_row + column / 8];
            const int x = x0 + column;
            const int y = y0 + row;
            if ((byte & (0x80 >> (column % 8))) != 0 && x < width && y < height) {
                pixels.insert({x, y});
            }
        }
    }
}

void AddAscii(PixelSet& pixels, uint8_t code, int x0, int y0, int width = 1 << 20,
              int height = 1 << 20) {
    AddGlyph(pixels, AsciiFont().data() + code * kAsciiGlyphBytes, 1, x0, y0, width, height);
}

void AddGb2312(PixelSet& pixels, uint8_t first, uint8_t second, int x0, int y0) {
    const size_t index = (first - 0xA1u) * kGb2312Columns + (second - 0xA1u);
    AddGlyph(pixels, Gb2312Font().data() + index * kGb2312GlyphBytes, 2, x0, y0);
}

// A picture with a guard row above and below and padding after each row, so
// writes outside the picture show.
struct TestPicture {
    TestPicture(int w, int h, int bytes_per_pixel, std::vector<uint8_t> background)
        : width(w), height(h), stride(static_cast<size_t>(w * bytes_per_pixel + 12)) {
        bytes.assign(stride * static_cast<size_t>(h + 2), 0xA5);
        for (int y = 0; y < h; ++y) {
            for (int i = 0; i < w * bytes_per_pixel; ++i) {
                Row(y)[i] = background[static_cast<size_t>(i) % background.size()];
            }
        }
        original = bytes;
    }
    uint8_t* Row(int y) { return bytes.data() + (y + 1) * stride; }
    uint8_t* Pixels() { return Row(0); }
    // Bytes outside the picture that changed.
    int GuardChanges(int bytes_per_pixel) const {
        int changes = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const size_t row = i / stride;
            const size_t column = i % stride;
            const bool inside = row >= 1 && row <= static_cast<size_t>(height) &&
                                column < static_cast<size_t>(width * bytes_per_pixel);
            changes += !inside && bytes[i] != original[i];
        }
        return changes;
    }

    int width;
    int height;
    size_t stride;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> original;
};

struct Rgb {
    int r, g, b;
};

Rgb PaletteRgb(int colour) {
    const auto scale = [](int value, int max) {
        return static_cast<int>(std::lround(value * 255.0 / max));
    };
    return {scale(colour >> 5 & 7, 7), scale(colour >> 2 & 7, 7), scale(colour & 3, 3)};
}

// Pixels of an RGB32 picture whose colour differs from the background.
PixelSet ChangedRgbPixels(TestPicture& picture) {
    PixelSet changed;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const size_t at = (y + 1) * picture.stride + 4 * static_cast<size_t>(x);
            for (int c = 0; c < 4; ++c) {
                if (picture.bytes[at + c] != picture.original[at + c]) {
                    changed.insert({x, y});
                }
            }
        }
    }
    return changed;
}

PixelSet DrawnRgb(const OsdText& osd, int width, int height) {
    TestPicture picture(width, height, 4, {0x10, 0x20, 0x30, 0x40});
    osd.DrawRgb32(picture.Pixels(), picture.stride, width, height);
    EXPECT_EQ(picture.GuardChanges(4), 0);
    return ChangedRgbPixels(picture);
}

TEST(OsdTextSet, RejectsBadArgumentsAndKeepsTheText) {
    OsdText osd;
    ASSERT_EQ(osd.Set(1, "A", 0, kRed), 0);
    const PixelSet before = DrawnRgb(osd, 40, 30);
    ASSERT_FALSE(before.empty());

    const std::string too_long(51, 'x');
    EXPECT_EQ(osd.Set(1, too_long.c_str(), 1, kRed), kBadArgument);
    EXPECT_EQ(osd.Set(1, nullptr, 1, kRed), kBadArgument);
    EXPECT_EQ(osd.Set(1, "B", 4, kRed), kBadArgument);
    EXPECT_EQ(osd.Set(1, "B", -1, kRed), kBadArgument);
    EXPECT_EQ(osd.Set(1, "B", 1, 256), kBadArgument);
    EXPECT_EQ(osd.Set(1, "B", 1, -1), kBadArgument);

    EXPECT_TRUE(osd.Visible());
    EXPECT_EQ(DrawnRgb(osd, 40, 30), before);
}

TEST(OsdTextSet, FiftyBytesAreAcceptedAndEnableZeroClears) {
    OsdText osd;
    const std::string longest(50, 'x');
    EXPECT_EQ(osd.Set(1, longest.c_str(), 3, 255), 0);
    EXPECT_TRUE(osd.Visible());

    EXPECT_EQ(osd.Set(0, nullptr, 9, 999), 0);
    EXPECT_FALSE(osd.Visible());
    EXPECT_TRUE(DrawnRgb(osd, 40, 30).empty());

    EXPECT_EQ(osd.Set(1, "", 0, 0), 0);
    EXPECT_FALSE(osd.Visible());  // enabled, but nothing to show
}

TEST(OsdTextDraw, AsciiGlyphInYuy2SetsLumaAndTheTouchedPairsChroma) {
    OsdText osd;
    ASSERT_EQ(osd.Set(1, "A", 0, kRed), 0);
    TestPicture picture(64, 32, 2, {50, 100, 50, 150});
    osd.DrawYuy2(picture.Pixels(), picture.stride, picture.width, picture.height);
    EXPECT_EQ(picture.GuardChanges(2), 0);

    PixelSet expected;
    AddAscii(expected, 'A', 5, 5);
    ASSERT_FALSE(expected.empty());
    const auto [first_x, first_y] = *expected.begin();
    const uint8_t* first = picture.Row(first_y) + 2 * first_x;
    const uint8_t text_y = first[0];
    const uint8_t* pair = picture.Row(first_y) + 4 * (first_x / 2);
    const uint8_t text_u = pair[1];
    const uint8_t text_v = pair[3];
    // BT.601 limited range of pure red.
    EXPECT_NEAR(text_y, 16 + 219 * 0.299, 1.0);
    EXPECT_NEAR(text_u, 128 - 224 * 0.299 / 1.772, 1.0);
    EXPECT_NEAR(text_v, 128 + 224 * 0.701 / 1.402, 1.0);

    for (int y = 0; y < picture.height; ++y) {
        const uint8_t* row = picture.Row(y);
        for (int x = 0; x < picture.width; ++x) {
            const bool set = expected.count({x, y}) != 0;
            ASSERT_EQ(row[2 * x], set ? text_y : 50) << x << "," << y;
        }
        for (int p = 0; p < picture.width / 2; ++p) {
            const bool touched = expected.count({2 * p, y}) + expected.count({2 * p + 1, y}) > 0;
            ASSERT_EQ(row[4 * p + 1], touched ? text_u : 100) << "pair " << p << " row " << y;
            ASSERT_EQ(row[4 * p + 3], touched ? text_v : 150) << "pair " << p << " row " << y;
        }
    }
}

TEST(OsdTextDraw, Gb2312GlyphInRgb32WritesTheColourAndKeepsX) {
    OsdText osd;
    const int colour = 0x92;  // 100 100 10
    ASSERT_EQ(osd.Set(1, "\xB0\xA1", 2, colour), 0);
    TestPicture picture(64, 64, 4, {0x10, 0x20, 0x30, 0x40});
    osd.DrawRgb32(picture.Pixels(), picture.stride, picture.width, picture.height);
    EXPECT_EQ(picture.GuardChanges(4), 0);

    PixelSet expected;
    AddGb2312(expected, 0xB0, 0xA1, 5, 64 / 2 - 20);
    EXPECT_EQ(ChangedRgbPixels(picture), expected);
    const Rgb rgb = PaletteRgb(colour);
    for (const auto& [x, y] : expected) {
        const uint8_t* pixel = picture.Row(y) + 4 * x;
        ASSERT_EQ(pixel[0], rgb.b);
        ASSERT_EQ(pixel[1], rgb.g);
        ASSERT_EQ(pixel[2], rgb.r);
        ASSERT_EQ(pixel[3], 0x40);
    }
}

TEST(OsdTextDraw, CellsFollowTheByteSequence) {
    OsdText osd;
    // A, then a two-byte character, then B.
    ASSERT_EQ(osd.Set(1,
                      "A\xB0\xA1"
                      "B",
                      0, 0xFF),
              0);
    PixelSet expected;
    AddAscii(expected, 'A', 5, 5);
    AddGb2312(expected, 0xB0, 0xA1, 13, 5);
    AddAscii(expected, 'B', 29, 5);
    EXPECT_EQ(DrawnRgb(osd, 64, 32), expected);

    // A pair outside the font is a blank wide cell; a lone last byte above
    // 0xA0 is that byte's narrow glyph.
    ASSERT_EQ(osd.Set(1,
                      "\xFE\xFE"
                      "A\xB0",
                      0, 0xFF),
              0);
    expected.clear();
    AddAscii(expected, 'A', 5 + 16, 5);
    AddAscii(expected, 0xB0, 5 + 16 + 8, 5);
    EXPECT_EQ(DrawnRgb(osd, 64, 32), expected);
}

TEST(OsdTextDraw, I420SetsLumaAndTheTouchedBlocksChromaInTheYuy2Colours) {
    // Odd sizes and text clipped at the right and bottom edges.
    const int width = 41;
    const int height = 13;
    const int chroma_width = 21;
    const int chroma_height = 7;
    OsdText osd;
    ASSERT_EQ(osd.Set(1, "AW#AW#", 1, kRed), 0);
    PixelSet expected;
    for (int cell = 0; cell < 6; ++cell) {
        AddAscii(expected, "AW#AW#"[cell], 8 * cell, 5, width, height);
    }
    TestPicture yuy2(width, height, 2, {50, 100, 50, 150});
    osd.DrawYuy2(yuy2.Pixels(), yuy2.stride, width, height);
    const auto [first_x, first_y] = *expected.begin();
    const uint8_t text_y = yuy2.Row(first_y)[2 * first_x];
    const uint8_t text_u = yuy2.Row(first_y)[4 * (first_x / 2) + 1];
    const uint8_t text_v = yuy2.Row(first_y)[4 * (first_x / 2) + 3];

    TestPicture y(width, height, 1, {50});
    TestPicture u(chroma_width, chroma_height, 1, {100});
    TestPicture v(chroma_width, chroma_height, 1, {150});
    uint8_t* const planes[3] = {y.Pixels(), u.Pixels(), v.Pixels()};
    const int32_t strides[3] = {static_cast<int32_t>(y.stride), static_cast<int32_t>(u.stride),
                                static_cast<int32_t>(v.stride)};
    osd.DrawI420(planes, strides, width, height);
    EXPECT_EQ(y.GuardChanges(1) + u.GuardChanges(1) + v.GuardChanges(1), 0);
    std::set<std::pair<int, int>> blocks;
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const bool set = expected.count({x, row}) != 0;
            ASSERT_EQ(y.Row(row)[x], set ? text_y : 50) << x << "," << row;
            if (set) {
                blocks.insert({x / 2, row / 2});
            }
        }
    }
    for (int row = 0; row < chroma_height; ++row) {
        for (int x = 0; x < chroma_width; ++x) {
            const bool touched = blocks.count({x, row}) != 0;
            ASSERT_EQ(u.Row(row)[x], touched ? text_u : 100) << x << "," << row;
            ASSERT_EQ(v.Row(row)[x], touched ? text_v : 150) << x << "," << row;
        }
    }
}

class OsdPositionTest : public ::testing::TestWithParam<int> {};

TEST_P(OsdPositionTest, TextSitsAtItsPosition) {
    const int position = GetParam();
    const int width = 80;
    const int height = 60;
    OsdText osd;
    ASSERT_EQ(osd.Set(1, "AB", position, 0x1C), 0);
    const bool right = position % 2 == 1;
    const int x0 = right ? width - 16 - 5 : 5;
    const int y0 = position >= 2 ? height / 2 - 20 : 5;
    PixelSet expected;
    AddAscii(expected, 'A', x0, y0);
    AddAscii(expected, 'B', x0 + 8, y0);
    EXPECT_EQ(DrawnRgb(osd, width, height), expected);
}

INSTANTIATE_TEST_SUITE_P(AllPositions, OsdPositionTest, ::testing::Values(0, 1, 2, 3));

TEST(OsdTextDraw, TextWiderThanThePictureIsClippedInside) {
    const std::string wide(50, 'W');
    for (int position = 0; position < kOsdPositionCount; ++position) {
        SCOPED_TRACE(position);
        OsdText osd;
        ASSERT_EQ(osd.Set(1, wide.c_str(), position, 0xFF), 0);
        // Odd width and fewer rows than a glyph: the right-hand positions
        // clamp to x 0, the middle ones to y 0.
        const int width = 41;
        const int height = 12;
        const int x0 = position % 2 == 1 ? 0 : 5;
        const int y0 = position >= 2 ? 0 : 5;
        PixelSet expected;
        for (int cell = 0; cell < 50; ++cell) {
            AddAscii(expected, 'W', x0 + 8 * cell, y0, width, height);
        }
        EXPECT_EQ(DrawnRgb(osd, width, height), expected);

        TestPicture yuy2(width, height, 2, {50, 100, 50, 150});
        osd.DrawYuy2(yuy2.Pixels(), yuy2.stride, width, height);
        EXPECT_EQ(yuy2.GuardChanges(2), 0);
        for (const auto& [x, y] : expected) {
            ASSERT_NE(yuy2.Row(y)[2 * x], 50) << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace kestrel::media
