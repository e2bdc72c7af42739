#include "osd_text.h"

#include <algorithm>

#include "media_result.h"
#include "osd_font.h"

namespace kestrel::media {
namespace {

// GlyphCell::glyph: 0..255 is an 8x16 glyph, kWideGlyphBase + i the 16x16
// glyph i, kBlankWideGlyph a 16-pixel cell for a pair outside the font.
constexpr int32_t kWideGlyphBase = 256;
constexpr int32_t kBlankWideGlyph = kWideGlyphBase + static_cast<int32_t>(kGb2312GlyphCount);
constexpr uint8_t kLastSingleByte = 0xA0;  // bytes above start a two-byte character
constexpr int32_t kGb2312IndexOffset = 0xA1 * 94 + 0xA1;

constexpr int kMargin = 5;
constexpr int kMiddleRise = 20;  // middle positions sit this far above the centre
constexpr int kGlyphRows = 16;

int32_t GlyphOfPair(uint8_t first, uint8_t second) {
    const int32_t index = first * 94 + second - kGb2312IndexOffset;
    if (index < 0 || index >= static_cast<int32_t>(kGb2312GlyphCount)) {
        return kBlankWideGlyph;
    }
    return kWideGlyphBase + index;
}

uint8_t Scale(int value, int max) {
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

uint8_t ClampByte(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

int32_t OsdText::Set(int32_t enable, const char* text, int32_t position, int32_t colour) {
    if (enable == 0) {
        Clear();
        return kMediaOk;
    }
    if (text == nullptr || position < 0 || position >= kOsdPositionCount || colour < 0 ||
        colour >= kOsdColourCount) {
        return kMediaBadArgument;
    }
    // Bounded scan: the caller's text need not be terminated within reach.
    size_t length = 0;
    while (length <= kOsdMaxTextBytes && text[length] != '\0') {
        ++length;
    }
    if (length > kOsdMaxTextBytes) {
        return kMediaBadArgument;
    }

    const int r = Scale((colour >> 5) & 7, 7);
    const int g = Scale((colour >> 2) & 7, 7);
    const int b = Scale(colour & 3, 3);

    std::lock_guard lock(mutex_);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    size_t cells = 0;
    int text_width = 0;
    for (size_t i = 0; i < length; ++cells) {
        int32_t glyph = bytes[i];
        if (bytes[i] > kLastSingleByte && i + 1 < length) {
            glyph = GlyphOfPair(bytes[i], bytes[i + 1]);
            i += 2;
        } else {
            i += 1;
        }
        SetCell(cells, glyph);
        text_width += cells_[cells].width;
    }
    cell_count_ = cells;
    text_width_ = text_width;
    position_ = position;
    enabled_ = true;
    colour_bgr_[0] = static_cast<uint8_t>(b);
    colour_bgr_[1] = static_cast<uint8_t>(g);
    colour_bgr_[2] = static_cast<uint8_t>(r);
    colour_y_ = ClampByte(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    colour_u_ = ClampByte(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
    colour_v_ = ClampByte(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
    return kMediaOk;
}

void OsdText::Clear() {
    std::lock_guard lock(mutex_);
    enabled_ = false;
    cell_count_ = 0;
    text_width_ = 0;
}

bool OsdText::Visible() const {
    std::lock_guard lock(mutex_);
    return enabled_ && cell_count_ > 0;
}

void OsdText::SetCell(size_t index, int32_t glyph) {
    GlyphCell& cell = cells_[index];
    if (cell.glyph == glyph) {
        return;
    }
    cell.glyph = glyph;
    if (glyph < kWideGlyphBase) {
        cell.width = 8;
        const uint8_t* rows = AsciiFont().data() + glyph * kAsciiGlyphBytes;
        for (int row = 0; row < kGlyphRows; ++row) {
            cell.rows[row] = static_cast<uint16_t>(rows[row] << 8);
        }
        return;
    }
    cell.width = 16;
    if (glyph == kBlankWideGlyph) {
        std::fill(std::begin(cell.rows), std::end(cell.rows), uint16_t{0});
        return;
    }
    const uint8_t* rows = Gb2312Font().data() + (glyph - kWideGlyphBase) * kGb2312GlyphBytes;
    for (int row = 0; row < kGlyphRows; ++row) {
        cell.rows[row] = static_cast<uint16_t>(rows[2 * row] << 8 | rows[2 * row + 1]);
    }
}

OsdText::Origin OsdText::TextOrigin(int width, int height) const {
    const bool right = position_ == 1 || position_ == 3;
    const bool middle = position_ == 2 || position_ == 3;
    Origin origin;
    origin.x = right ? width - text_width_ - kMargin : kMargin;
    origin.y = middle ? height / 2 - kMiddleRise : kMargin;
    origin.x = std::max(origin.x, 0);
    origin.y = std::max(origin.y, 0);
    return origin;
}

template <typename PutPixel>
void OsdText::ForEachSetPixel(int width, int height, PutPixel put) const {
    const Origin origin = TextOrigin(width, height);
    int cell_x = origin.x;
    for (size_t i = 0; i < cell_count_ && cell_x < width; ++i) {
        const GlyphCell& cell = cells_[i];
        const int columns = std::min(cell.width, width - cell_x);
        for (int row = 0; row < kGlyphRows && origin.y + row < height; ++row) {
            const unsigned bits = cell.rows[row];
            for (int column = 0; column < columns; ++column) {
                if ((bits & (0x8000u >> column)) != 0) {
                    put(cell_x + column, origin.y + row);
                }
            }
        }
        cell_x += cell.width;
    }
}

void OsdText::DrawYuy2(uint8_t* pixels, size_t stride, int width, int height) const {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!enabled_) {
        return;
    }
    const size_t row_bytes = 2 * static_cast<size_t>(width);
    ForEachSetPixel(width, height, [&](int x, int y) {
        uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        const size_t pair = static_cast<size_t>(x) & ~size_t{1};
        row[2 * static_cast<size_t>(x)] = colour_y_;
        row[2 * pair + 1] = colour_u_;
        if (2 * pair + 3 < row_bytes) {  // an odd width's last pixel has no V
            row[2 * pair + 3] = colour_v_;
        }
    });
}

void OsdText::DrawI420(uint8_t* const planes[3], const int32_t strides[3], int width,
                       int height) const {
    if (planes == nullptr || strides == nullptr || planes[0] == nullptr || planes[1] == nullptr ||
        planes[2] == nullptr || width <= 0 || height <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!enabled_) {
        return;
    }
    ForEachSetPixel(width, height, [&](int x, int y) {
        planes[0][ptrdiff_t{y} * strides[0] + x] = colour_y_;
        planes[1][ptrdiff_t{y / 2} * strides[1] + x / 2] = colour_u_;
        planes[2][ptrdiff_t{y / 2} * strides[2] + x / 2] = colour_v_;
    });
}

void OsdText::DrawRgb32(uint8_t* pixels, size_t stride, int width, int height) const {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (!enabled_) {
        return;
    }
    ForEachSetPixel(width, height, [&](int x, int y) {
        uint8_t* pixel = pixels + static_cast<size_t>(y) * stride + 4 * static_cast<size_t>(x);
        pixel[0] = colour_bgr_[0];
        pixel[1] = colour_bgr_[1];
        pixel[2] = colour_bgr_[2];
    });
}

}  // namespace kestrel::media
