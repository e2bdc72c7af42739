#include "video_renderer.h"

#include <cstring>
#include <new>

#include "yuv_convert.h"

namespace kestrel::media {
namespace {

constexpr int kMaxPictureSide = 4096;

}  // namespace

VideoRenderer::~VideoRenderer() {
    Close();
}

bool VideoRenderer::Open(KmVideoWindow* window, int width, int height) {
    Close();
    if (window == nullptr || window->present == nullptr || width < 1 || height < 1 ||
        width > kMaxPictureSide || height > kMaxPictureSide) {
        return false;
    }
    Mode mode = Mode::kClosed;
    if ((window->formats & KM_FORMAT_YUY2) != 0) {
        mode = Mode::kYuy2;
    } else if ((window->formats & KM_FORMAT_RGB32) != 0) {
        mode = Mode::kSoftware;
    } else {
        return false;
    }
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    surface_.reset(new (std::nothrow) uint8_t[pixels * 2]);
    if (mode == Mode::kSoftware) {
        rgb_.reset(new (std::nothrow) uint8_t[pixels * 4]);
    }
    if (surface_ == nullptr || (mode == Mode::kSoftware && rgb_ == nullptr)) {
        surface_.reset();
        rgb_.reset();
        return false;
    }
    window_ = window;
    mode_ = mode;
    width_ = width;
    height_ = height;
    ++open_count_;
    return true;
}

void VideoRenderer::Close() {
    if (mode_ == Mode::kClosed) {
        return;
    }
    KmVideoWindow* window = window_;
    mode_ = Mode::kClosed;
    window_ = nullptr;
    width_ = 0;
    height_ = 0;
    surface_.reset();
    rgb_.reset();
    if (window->clear != nullptr) {
        window->clear(window->user);
    }
}

bool VideoRenderer::Draw(const uint8_t* yuy2, size_t stride, int width, int height,
                         bool draw_text) {
    const size_t row_bytes = 2 * static_cast<size_t>(width_);
    if (mode_ == Mode::kClosed || yuy2 == nullptr || width != width_ || height != height_ ||
        stride < row_bytes) {
        return false;
    }
    for (int row = 0; row < height_; ++row) {
        std::memcpy(surface_.get() + row * row_bytes, yuy2 + row * stride, row_bytes);
    }
    const int brightness = Brightness();
    if (brightness > 0) {
        LiftLuma(surface_.get(), row_bytes, width_, height_, brightness);
    }
    const bool text = draw_text && osd_.Visible();
    if (mode_ == Mode::kYuy2) {
        if (text) {
            osd_.DrawYuy2(surface_.get(), row_bytes, width_, height_);
        }
        window_->present(window_->user, KM_FORMAT_YUY2, surface_.get(), width_, height_,
                         static_cast<int32_t>(row_bytes));
        return true;
    }
    const size_t rgb_row_bytes = 4 * static_cast<size_t>(width_);
    Yuy2ToRgb32(surface_.get(), row_bytes, width_, height_, rgb_.get(), rgb_row_bytes);
    // Drawn after the conversion so the text keeps its exact colour.
    if (text) {
        osd_.DrawRgb32(rgb_.get(), rgb_row_bytes, width_, height_);
    }
    window_->present(window_->user, KM_FORMAT_RGB32, rgb_.get(), width_, height_,
                     static_cast<int32_t>(rgb_row_bytes));
    return true;
}

}  // namespace kestrel::media
