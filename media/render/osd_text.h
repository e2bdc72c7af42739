// The on-screen text of one channel: up to 50 bytes turned into glyph cells
// of the 8x16 ASCII font and the 16x16 GB2312 font (bytes above 0xA0 start
// a two-byte character), drawn into each picture before it is shown, in a
// colour of the 3-3-2 RGB palette (colour value RRRGGGBB) at one of four
// positions.
//
// Threading: Set/Clear come from control threads, Draw* from the channel
// thread; one lock guards the text state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

namespace kestrel::media {

constexpr size_t kOsdMaxTextBytes = 50;
constexpr int kOsdPositionCount = 4;  // top left, top right, middle left, middle right
constexpr int kOsdColourCount = 256;

class OsdText {
public:
    // enable 0 clears the text (0). Otherwise text must be non-null and at
    // most 50 bytes, position 0..3 and colour 0..255, else kMediaBadArgument.
    int32_t Set(int32_t enable, const char* text, int32_t position, int32_t colour);
    void Clear();
    bool Visible() const;  // enabled with at least one glyph

    // Draw the text's set pixels into a picture; clipped at its edges.
    void DrawYuy2(uint8_t* pixels, size_t stride, int width, int height) const;
    void DrawRgb32(uint8_t* pixels, size_t stride, int width, int height) const;
    // Planar 4:2:0 (Y, U, V planes and strides): the text's luma pixels, and
    // the chroma of every 2x2 block they touch.
    void DrawI420(uint8_t* const planes[3], const int32_t strides[3], int width, int height) const;

    OsdText() = default;
    OsdText(const OsdText&) = delete;
    OsdText& operator=(const OsdText&) = delete;

private:
    // One character's pixels: rows top to bottom, bit 15 = leftmost pixel.
    struct GlyphCell {
        int32_t glyph = -1;  // which glyph the rows hold; see osd_text.cpp
        int width = 0;       // 8 or 16 pixels
        uint16_t rows[16] = {};
    };
    struct Origin {
        int x = 0;
        int y = 0;
    };

    void SetCell(size_t index, int32_t glyph);
    Origin TextOrigin(int width, int height) const;  // caller holds mutex_
    template <typename PutPixel>
    void ForEachSetPixel(int width, int height, PutPixel put) const;

    mutable std::mutex mutex_;
    GlyphCell cells_[kOsdMaxTextBytes];
    size_t cell_count_ = 0;
    int text_width_ = 0;  // pixels, all cells
    bool enabled_ = false;
    int32_t position_ = 0;
    uint8_t colour_bgr_[3] = {};
    uint8_t colour_y_ = 16;
    uint8_t colour_u_ = 128;
    uint8_t colour_v_ = 128;
};

}  // namespace kestrel::media
