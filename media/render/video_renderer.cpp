#include "video_renderer.h"

#include <cstring>
#include <new>
#include <utility>

#include "yuv_convert.h"

namespace kestrel::media {
namespace {

constexpr int kMaxPictureSide = 4096;

// One row of B G R X pixels as B G R.
void DropX(const uint8_t* bgrx, int width, uint8_t* bgr) {
    for (int x = 0; x < width; ++x) {
        bgr[0] = bgrx[0];
        bgr[1] = bgrx[1];
        bgr[2] = bgrx[2];
        bgrx += 4;
        bgr += 3;
    }
}

}  // namespace

VideoRenderer::~VideoRenderer() {
    Close();
}

bool VideoRenderer::Open(KmVideoWindow* window, int width, int height) {
    Close();
    if (window == nullptr || width < 1 || height < 1 || width > kMaxPictureSide ||
        height > kMaxPictureSide) {
        return false;
    }
    uint32_t formats = 0;
    {
        std::lock_guard gate(window_mutex_);
        if (!window_attached_ || window->present == nullptr) {
            return false;
        }
        formats = window->formats;
    }
    Mode mode = Mode::kClosed;
    if ((formats & KM_FORMAT_YUY2) != 0) {
        mode = Mode::kYuy2;
    } else if ((formats & KM_FORMAT_RGB32) != 0) {
        mode = Mode::kSoftware;
    } else {
        return false;
    }
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::unique_ptr<uint8_t[]> surfaces[2];
    surfaces[0].reset(new (std::nothrow) uint8_t[pixels * 2]);
    std::unique_ptr<uint8_t[]> rgb;
    if (mode == Mode::kYuy2) {
        surfaces[1].reset(new (std::nothrow) uint8_t[pixels * 2]);
    } else {
        rgb.reset(new (std::nothrow) uint8_t[pixels * 4]);
    }
    if (surfaces[0] == nullptr || (mode == Mode::kYuy2 && surfaces[1] == nullptr) ||
        (mode == Mode::kSoftware && rgb == nullptr)) {
        return false;
    }
    std::lock_guard lock(shown_mutex_);
    surfaces_[0] = std::move(surfaces[0]);
    surfaces_[1] = std::move(surfaces[1]);
    front_ = 0;
    rgb_ = std::move(rgb);
    window_ = window;
    mode_ = mode;
    width_ = width;
    height_ = height;
    shown_ = false;
    ++open_count_;
    return true;
}

void VideoRenderer::Close() {
    if (mode_ == Mode::kClosed) {
        return;
    }
    KmVideoWindow* window = window_;
    {
        std::lock_guard lock(shown_mutex_);
        mode_ = Mode::kClosed;
        window_ = nullptr;
        width_ = 0;
        height_ = 0;
        shown_ = false;
        surfaces_[0].reset();
        surfaces_[1].reset();
        rgb_.reset();
    }
    std::lock_guard gate(window_mutex_);
    if (window_attached_ && window->clear != nullptr) {
        window->clear(window->user);
    }
}

void VideoRenderer::DetachWindow() {
    std::lock_guard gate(window_mutex_);
    window_attached_ = false;
}

void VideoRenderer::AttachWindow() {
    std::lock_guard gate(window_mutex_);
    window_attached_ = true;
}

bool VideoRenderer::Draw(const uint8_t* yuy2, size_t stride, int width, int height,
                         bool draw_text) {
    const size_t row_bytes = SurfaceStride();
    if (mode_ == Mode::kClosed || yuy2 == nullptr || width != width_ || height != height_ ||
        stride < row_bytes) {
        return false;
    }
    uint8_t* back = BackSurface();
    for (int row = 0; row < height_; ++row) {
        std::memcpy(back + row * row_bytes, yuy2 + row * stride, row_bytes);
    }
    return ShowBack(draw_text);
}

uint8_t* VideoRenderer::BackSurface() {
    switch (mode_) {
        case Mode::kYuy2:
            return surfaces_[1 - front_].get();
        case Mode::kSoftware:
            return surfaces_[0].get();
        case Mode::kClosed:
            break;
    }
    return nullptr;
}

bool VideoRenderer::DrawPlanar(const uint8_t* const planes[3], const int32_t strides[3], int width,
                               int height, bool draw_text) {
    if (mode_ == Mode::kClosed || planes == nullptr || strides == nullptr || width != width_ ||
        height != height_ || planes[0] == nullptr || planes[1] == nullptr || planes[2] == nullptr) {
        return false;
    }
    if (mode_ == Mode::kSoftware && Brightness() == 0) {
        const size_t rgb_row_bytes = 4 * static_cast<size_t>(width_);
        {
            std::lock_guard lock(shown_mutex_);
            PlanarToRgb32(planes, strides, width_, height_, rgb_.get(), rgb_row_bytes);
            if (draw_text && osd_.Visible()) {
                osd_.DrawRgb32(rgb_.get(), rgb_row_bytes, width_, height_);
            }
            shown_ = true;
        }
        Present();
        return true;
    }
    PlanarToYuy2(planes, strides, width_, height_, BackSurface(), SurfaceStride());
    return ShowBack(draw_text);
}

bool VideoRenderer::ShowBack(bool draw_text) {
    uint8_t* back = BackSurface();
    if (back == nullptr) {
        return false;
    }
    const size_t row_bytes = SurfaceStride();
    const int brightness = Brightness();
    if (brightness > 0) {
        LiftLuma(back, row_bytes, width_, height_, brightness);
    }
    const bool text = draw_text && osd_.Visible();
    if (mode_ == Mode::kYuy2) {
        if (text) {
            osd_.DrawYuy2(back, row_bytes, width_, height_);
        }
        std::lock_guard lock(shown_mutex_);
        front_ = 1 - front_;
        shown_ = true;
    } else {
        const size_t rgb_row_bytes = 4 * static_cast<size_t>(width_);
        std::lock_guard lock(shown_mutex_);
        Yuy2ToRgb32(back, row_bytes, width_, height_, rgb_.get(), rgb_row_bytes);
        // Drawn after the conversion so the text keeps its exact colour.
        if (text) {
            osd_.DrawRgb32(rgb_.get(), rgb_row_bytes, width_, height_);
        }
        shown_ = true;
    }
    Present();
    return true;
}

// The window only reads the shown buffer, as Capture does, and the channel
// thread writes it again only after the next swap or under the lock, so
// presenting needs no picture lock; only the window's own gate.
void VideoRenderer::Present() {
    std::lock_guard gate(window_mutex_);
    if (!window_attached_) {
        return;
    }
    if (mode_ == Mode::kYuy2) {
        window_->present(window_->user, KM_FORMAT_YUY2, surfaces_[front_].get(), width_, height_,
                         static_cast<int32_t>(SurfaceStride()));
    } else {
        window_->present(window_->user, KM_FORMAT_RGB32, rgb_.get(), width_, height_,
                         static_cast<int32_t>(4 * static_cast<size_t>(width_)));
    }
}

bool VideoRenderer::Capture(uint8_t* out, size_t capacity, int* width, int* height, bool flip) {
    std::lock_guard lock(shown_mutex_);
    const bool shown = mode_ != Mode::kClosed && shown_;
    if (width != nullptr) {
        *width = shown ? width_ : 0;
    }
    if (height != nullptr) {
        *height = shown ? height_ : 0;
    }
    const size_t out_row_bytes = 3 * static_cast<size_t>(width_);
    if (!shown || out == nullptr || capacity < out_row_bytes * static_cast<size_t>(height_)) {
        return false;
    }
    // Software mode reads the RGB picture the window got: its text was drawn
    // there, not on the surface.
    const size_t surface_row_bytes = 2 * static_cast<size_t>(width_);
    for (int row = 0; row < height_; ++row) {
        uint8_t* dst = out + static_cast<size_t>(flip ? height_ - 1 - row : row) * out_row_bytes;
        if (mode_ == Mode::kYuy2) {
            Yuy2ToBgr24(surfaces_[front_].get() + row * surface_row_bytes, surface_row_bytes,
                        width_, 1, dst, out_row_bytes);
        } else {
            DropX(rgb_.get() + row * 4 * static_cast<size_t>(width_), width_, dst);
        }
    }
    return true;
}

}  // namespace kestrel::media
