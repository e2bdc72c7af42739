// The on-screen text fonts, generated from GNU Unifont at build time.
//   AsciiFont:  256 glyphs of 8x16, glyph n for byte value n; 16 bytes per
//               glyph, one per row top to bottom, most significant bit =
//               leftmost pixel.
//   Gb2312Font: 8,363 glyphs of 16x16; glyph i for the GB2312 bytes
//               0xA1 + i / 94, 0xA1 + i % 94; 32 bytes per glyph, two per
//               row (left byte first). Unassigned positions are blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::media {

constexpr size_t kAsciiGlyphBytes = 16;
constexpr size_t kAsciiFontBytes = 256 * kAsciiGlyphBytes;
constexpr size_t kGb2312Columns = 94;
constexpr size_t kGb2312GlyphCount = 8363;
constexpr size_t kGb2312GlyphBytes = 32;
constexpr size_t kGb2312FontBytes = kGb2312GlyphCount * kGb2312GlyphBytes;

std::span<const uint8_t, kAsciiFontBytes> AsciiFont();
std::span<const uint8_t, kGb2312FontBytes> Gb2312Font();

}  // namespace kestrel::media
