#include "picture_log.h"

#include <string>

#include "picture_md5.h"

namespace kestrel::tools {
namespace {

size_t BytesPerPixel(uint32_t format) {
    switch (format) {
        case KM_FORMAT_YUY2:
            return 2;
        case KM_FORMAT_RGB32:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

PictureLog::PictureLog(uint32_t formats, std::FILE* lines, std::FILE* raw)
    : lines_(lines), raw_(raw) {
    window_.user = this;
    window_.formats = formats;
    window_.present = &PictureLog::Present;
    window_.clear = &PictureLog::Clear;
}

PictureFigures PictureLog::Figures() const {
    std::lock_guard lock(mutex_);
    return figures_;
}

void PictureLog::Present(void* user, uint32_t format, const uint8_t* pixels, int32_t width,
                         int32_t height, int32_t stride) {
    auto* self = static_cast<PictureLog*>(user);
    const size_t pixel_bytes = BytesPerPixel(format);
    const size_t row_bytes = pixel_bytes * static_cast<size_t>(width > 0 ? width : 0);
    std::lock_guard lock(self->mutex_);
    if (pixels == nullptr || pixel_bytes == 0 || width <= 0 || height <= 0 ||
        static_cast<size_t>(stride) < row_bytes || stride <= 0) {
        ++self->figures_.unusable;
        return;
    }
    const size_t row_stride = static_cast<size_t>(stride);
    const std::string md5 = format == KM_FORMAT_YUY2
                                ? Yuy2AsYuv420Md5(pixels, width, height, row_stride)
                                : PackedRowsMd5(pixels, row_bytes, height, row_stride);
    std::fprintf(self->lines_, "frame %llu %dx%d %s\n",
                 static_cast<unsigned long long>(self->figures_.pictures), width, height,
                 md5.c_str());
    std::fflush(self->lines_);
    if (self->raw_ != nullptr && !self->figures_.raw_write_failed) {
        for (int32_t y = 0; y < height; ++y) {
            if (std::fwrite(pixels + static_cast<size_t>(y) * row_stride, 1, row_bytes,
                            self->raw_) != row_bytes) {
                self->figures_.raw_write_failed = true;
                break;
            }
        }
    }
    ++self->figures_.pictures;
    ++self->figures_.sizes[{width, height}];
}

void PictureLog::Clear(void* user) {
    auto* self = static_cast<PictureLog*>(user);
    std::lock_guard lock(self->mutex_);
    ++self->figures_.clears;
}

}  // namespace kestrel::tools
