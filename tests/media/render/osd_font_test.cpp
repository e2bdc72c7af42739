// The generated fonts against the Unifont file they were made from.
#include "osd_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace kestrel::media {
namespace {

// Unifont glyph bytes of the code points asked for, read independently of
// the generator.
std::map<uint32_t, std::vector<uint8_t>> UnifontGlyphs(const std::vector<uint32_t>& codes) {
    std::map<uint32_t, std::vector<uint8_t>> glyphs;
    std::ifstream in(KESTREL_UNIFONT_HEX);
    for (std::string line; std::getline(in, line);) {
        const size_t colon = line.find(':');
        const uint32_t code = static_cast<uint32_t>(std::stoul(line.substr(0, colon), nullptr, 16));
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
            continue;
        }
        std::vector<uint8_t> bytes;
        for (size_t i = colon + 1; i + 1 < line.size(); i += 2) {
            bytes.push_back(static_cast<uint8_t>(std::stoul(line.substr(i, 2), nullptr, 16)));
        }
        glyphs[code] = bytes;
    }
    return glyphs;
}

std::vector<uint8_t> AsciiGlyph(uint8_t code) {
    const auto glyph = AsciiFont().subspan(code * kAsciiGlyphBytes, kAsciiGlyphBytes);
    return {glyph.begin(), glyph.end()};
}

std::vector<uint8_t> Gb2312Glyph(uint8_t first, uint8_t second) {
    const size_t index = (first - 0xA1u) * kGb2312Columns + (second - 0xA1u);
    const auto glyph = Gb2312Font().subspan(index * kGb2312GlyphBytes, kGb2312GlyphBytes);
    return {glyph.begin(), glyph.end()};
}

bool Blank(const std::vector<uint8_t>& glyph) {
    return std::all_of(glyph.begin(), glyph.end(), [](uint8_t b) { return b == 0; });
}

TEST(OsdFont, SizesAreThoseOfTheCellLayout) {
    EXPECT_EQ(AsciiFont().size(), 4096u);
    EXPECT_EQ(Gb2312Font().size(), 267616u);
}

TEST(OsdFont, GlyphsAreUnifontsRowsTopToBottom) {
    const auto unifont = UnifontGlyphs({0x41, 0x7E, 0x554A, 0x00A8});
    ASSERT_EQ(unifont.size(), 4u) << "Unifont lacks a glyph the test relies on";

    EXPECT_FALSE(Blank(AsciiGlyph('A')));
    EXPECT_EQ(AsciiGlyph('A'), unifont.at(0x41));
    EXPECT_EQ(AsciiGlyph('~'), unifont.at(0x7E));

    // GB2312 0xB0 0xA1 is U+554A.
    EXPECT_FALSE(Blank(Gb2312Glyph(0xB0, 0xA1)));
    EXPECT_EQ(Gb2312Glyph(0xB0, 0xA1), unifont.at(0x554A));
}

TEST(OsdFont, NarrowCharacterOfTheWideFontFillsTheLeftHalf) {
    // GB2312 0xA1 0xA7 is U+00A8, narrow in Unifont.
    const std::vector<uint8_t> narrow = UnifontGlyphs({0x00A8}).at(0x00A8);
    ASSERT_EQ(narrow.size(), 16u);
    const std::vector<uint8_t> wide = Gb2312Glyph(0xA1, 0xA7);
    for (size_t row = 0; row < 16; ++row) {
        EXPECT_EQ(wide[2 * row], narrow[row]) << "row " << row;
        EXPECT_EQ(wide[2 * row + 1], 0) << "row " << row;
    }
}

TEST(OsdFont, UnassignedPositionsAndControlCodesAreBlank) {
    // GB2312 rows 0xAA..0xAF hold no characters.
    for (int first = 0xAA; first <= 0xAF; ++first) {
        for (int second = 0xA1; second <= 0xFE; ++second) {
            EXPECT_TRUE(
                Blank(Gb2312Glyph(static_cast<uint8_t>(first), static_cast<uint8_t>(second))))
                << std::hex << first << " " << second;
        }
    }
    for (uint8_t code = 0; code < 0x20; ++code) {
        EXPECT_TRUE(Blank(AsciiGlyph(code))) << int{code};
    }
}

}  // namespace
}  // namespace kestrel::media
