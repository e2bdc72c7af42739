#include "memory_window.h"

#include <chrono>
#include <cstring>

extern "C" {
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

namespace kestrel::media::test {
namespace {

std::string Hex(const uint8_t (&digest)[16]) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

// Whether every odd row carries the chroma of the even row above it, as a
// picture made from 4:2:0 does.
bool ChromaRowsPaired(const uint8_t* pixels, int width, int height, size_t stride) {
    const size_t row_bytes = 2 * static_cast<size_t>(width);
    for (int row = 1; row < height; row += 2) {
        const uint8_t* even = pixels + (row - 1) * stride;
        const uint8_t* odd = pixels + row * stride;
        for (size_t i = 1; i < row_bytes; i += 2) {
            if (even[i] != odd[i]) {
                return false;
            }
        }
    }
    return true;
}

size_t BytesPerPixel(uint32_t format) {
    return format == KM_FORMAT_RGB32 ? 4 : format == KM_FORMAT_I420 ? 1 : 2;
}

// The planes of the library's one-buffer I420 picture, rows unpadded.
std::vector<uint8_t> UnpaddedI420(const uint8_t* pixels, int width, int height, size_t stride) {
    const size_t chroma_stride = (stride + 1) / 2;
    const size_t chroma_width = (static_cast<size_t>(width) + 1) / 2;
    const int chroma_height = (height + 1) / 2;
    std::vector<uint8_t> planes;
    for (int row = 0; row < height; ++row) {
        planes.insert(planes.end(), pixels + row * stride, pixels + row * stride + width);
    }
    const uint8_t* chroma = pixels + stride * static_cast<size_t>(height);
    for (int row = 0; row < 2 * chroma_height; ++row) {
        const uint8_t* begin = chroma + row * chroma_stride;
        planes.insert(planes.end(), begin, begin + chroma_width);
    }
    return planes;
}

std::string Md5(const std::vector<uint8_t>& bytes) {
    AVMD5* md5 = av_md5_alloc();
    av_md5_init(md5);
    av_md5_update(md5, bytes.data(), bytes.size());
    uint8_t digest[16];
    av_md5_final(md5, digest);
    av_free(md5);
    return Hex(digest);
}

}  // namespace

MemoryWindow::MemoryWindow(uint32_t formats, bool keep_pixels) : keep_pixels_(keep_pixels) {
    window_.user = this;
    window_.formats = formats;
    window_.present = &MemoryWindow::Present;
    window_.clear = &MemoryWindow::ClearPicture;
}

std::vector<PresentedPicture> MemoryWindow::Pictures() const {
    std::lock_guard lock(mutex_);
    return pictures_;
}

size_t MemoryWindow::Count() const {
    std::lock_guard lock(mutex_);
    return pictures_.size();
}

int MemoryWindow::Clears() const {
    std::lock_guard lock(mutex_);
    return clears_;
}

bool MemoryWindow::WaitForCount(size_t count, int timeout_ms) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                             [&] { return pictures_.size() >= count; });
}

void MemoryWindow::Present(void* user, uint32_t format, const uint8_t* pixels, int32_t width,
                           int32_t height, int32_t stride) {
    auto* self = static_cast<MemoryWindow*>(user);
    PresentedPicture picture;
    picture.format = format;
    picture.width = width;
    picture.height = height;
    const bool usable = pixels != nullptr && width > 0 && height > 0 &&
                        stride >= static_cast<int32_t>(BytesPerPixel(format)) * width;
    if (usable && format == KM_FORMAT_YUY2) {
        picture.md5_yuv420 = Yuy2AsYuv420Md5(pixels, width, height, static_cast<size_t>(stride));
        picture.chroma_rows_paired =
            ChromaRowsPaired(pixels, width, height, static_cast<size_t>(stride));
    }
    if (usable && format == KM_FORMAT_I420) {
        std::vector<uint8_t> planes =
            UnpaddedI420(pixels, width, height, static_cast<size_t>(stride));
        picture.md5_yuv420 = Md5(planes);
        if (self->keep_pixels_) {
            picture.pixels = std::move(planes);
        }
    } else if (usable && self->keep_pixels_) {
        const size_t row_bytes = BytesPerPixel(format) * static_cast<size_t>(width);
        picture.pixels.resize(row_bytes * static_cast<size_t>(height));
        for (int row = 0; row < height; ++row) {
            std::memcpy(picture.pixels.data() + row * row_bytes, pixels + ptrdiff_t{row} * stride,
                        row_bytes);
        }
    }
    {
        std::lock_guard lock(self->mutex_);
        self->pictures_.push_back(std::move(picture));
    }
    self->changed_.notify_all();
}

void MemoryWindow::ClearPicture(void* user) {
    auto* self = static_cast<MemoryWindow*>(user);
    {
        std::lock_guard lock(self->mutex_);
        ++self->clears_;
    }
    self->changed_.notify_all();
}

std::string Yuy2AsYuv420Md5(const uint8_t* pixels, int width, int height, size_t stride) {
    const int chroma_width = (width + 1) / 2;
    std::vector<uint8_t> row(static_cast<size_t>(width));
    AVMD5* md5 = av_md5_alloc();
    av_md5_init(md5);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = pixels + y * stride;
        for (int x = 0; x < width; ++x) {
            row[static_cast<size_t>(x)] = src[2 * x];
        }
        av_md5_update(md5, row.data(), static_cast<size_t>(width));
    }
    // U then V, from the even rows; an odd width's last V is not stored, so
    // the V before it stands in (none at all: neutral grey).
    for (int plane = 0; plane < 2; ++plane) {
        for (int y = 0; y < height; y += 2) {
            const uint8_t* src = pixels + y * stride;
            for (int x = 0; x < chroma_width; ++x) {
                const size_t offset = 4 * static_cast<size_t>(x) + (plane == 0 ? 1 : 3);
                if (offset < 2 * static_cast<size_t>(width)) {
                    row[static_cast<size_t>(x)] = src[offset];
                } else {
                    row[static_cast<size_t>(x)] = x > 0 ? src[offset - 4] : 128;
                }
            }
            av_md5_update(md5, row.data(), static_cast<size_t>(chroma_width));
        }
    }
    uint8_t digest[16];
    av_md5_final(md5, digest);
    av_free(md5);
    return Hex(digest);
}

}  // namespace kestrel::media::test
