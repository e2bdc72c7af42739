#include "video_renderer.h"

#include <cstring>
#include <new>
#include <utility>

#include "yuv_convert.h"

namespace kestrel::media {
namespace {

constexpr int kMaxPictureSide = 4096;
// I420 luma rows start at multiples of this (chroma rows of half of it), so
// a window's vector scaler reads them aligned.
constexpr size_t kLumaRowAlign = 32;

size_t I420LumaStride(int width) {
    return (static_cast<size_t>(width) + kLumaRowAlign - 1) & ~(kLumaRowAlign - 1);
}

size_t I420Bytes(int width, int height) {
    const size_t luma_stride = I420LumaStride(width);
    return luma_stride * static_cast<size_t>(height) +
           2 * ((luma_stride + 1) / 2) * (static_cast<size_t>(height + 1) / 2);
}

void CopyRows(const uint8_t* src, ptrdiff_t src_stride, size_t row_bytes, int rows, uint8_t* dst,
              size_t dst_stride) {
    for (int row = 0; row < rows; ++row) {
        std::memcpy(dst + row * dst_stride, src + row * src_stride, row_bytes);
    }
}

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
    if ((formats & KM_FORMAT_I420) != 0) {
        mode = Mode::kI420;
    } else if ((formats & KM_FORMAT_YUY2) != 0) {
        mode = Mode::kYuy2;
    } else if ((formats & KM_FORMAT_RGB32) != 0) {
        mode = Mode::kSoftware;
    } else {
        return false;
    }
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::unique_ptr<uint8_t[]> surfaces[2];
    std::unique_ptr<uint8_t[]> rgb;
    if (mode == Mode::kI420) {
        // Zeroed: the window may read the row padding, which no picture fills.
        surfaces[0].reset(new (std::nothrow) uint8_t[I420Bytes(width, height)]());
        surfaces[1].reset(new (std::nothrow) uint8_t[I420Bytes(width, height)]());
    } else {
        surfaces[0].reset(new (std::nothrow) uint8_t[pixels * 2]);
        if (mode == Mode::kYuy2) {
            surfaces[1].reset(new (std::nothrow) uint8_t[pixels * 2]);
        } else {
            rgb.reset(new (std::nothrow) uint8_t[pixels * 4]);
        }
    }
    if (surfaces[0] == nullptr || (mode != Mode::kSoftware && surfaces[1] == nullptr) ||
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
    const size_t row_bytes = 2 * static_cast<size_t>(width_);
    if (mode_ == Mode::kClosed || yuy2 == nullptr || width != width_ || height != height_ ||
        stride < row_bytes) {
        return false;
    }
    uint8_t* back = BackSurface();
    if (mode_ == Mode::kI420) {
        uint8_t* planes[3];
        int32_t strides[3];
        PlanesOf(back, planes, strides);
        Yuy2ToPlanar(yuy2, stride, width_, height_, planes, strides);
    } else {
        CopyRows(yuy2, static_cast<ptrdiff_t>(stride), row_bytes, height_, back, row_bytes);
    }
    return ShowBack(draw_text);
}

size_t VideoRenderer::SurfaceStride() const {
    return mode_ == Mode::kI420 ? I420LumaStride(width_) : 2 * static_cast<size_t>(width_);
}

void VideoRenderer::PlanesOf(uint8_t* surface, uint8_t* planes[3], int32_t strides[3]) const {
    const size_t luma_stride = I420LumaStride(width_);
    const size_t chroma_stride = (luma_stride + 1) / 2;
    planes[0] = surface;
    planes[1] = planes[0] + luma_stride * static_cast<size_t>(height_);
    planes[2] = planes[1] + chroma_stride * (static_cast<size_t>(height_ + 1) / 2);
    strides[0] = static_cast<int32_t>(luma_stride);
    strides[1] = static_cast<int32_t>(chroma_stride);
    strides[2] = static_cast<int32_t>(chroma_stride);
}

uint8_t* VideoRenderer::BackSurface() {
    switch (mode_) {
        case Mode::kYuy2:
        case Mode::kI420:
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
    if (mode_ == Mode::kI420) {
        uint8_t* back[3];
        int32_t back_strides[3];
        PlanesOf(BackSurface(), back, back_strides);
        const int chroma_width = (width_ + 1) / 2;
        const int chroma_height = (height_ + 1) / 2;
        CopyRows(planes[0], strides[0], static_cast<size_t>(width_), height_, back[0],
                 static_cast<size_t>(back_strides[0]));
        for (int plane = 1; plane < 3; ++plane) {
            CopyRows(planes[plane], strides[plane], static_cast<size_t>(chroma_width),
                     chroma_height, back[plane], static_cast<size_t>(back_strides[plane]));
        }
        return ShowBack(draw_text);
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
    const bool text = draw_text && osd_.Visible();
    if (mode_ == Mode::kI420) {
        uint8_t* planes[3];
        int32_t strides[3];
        PlanesOf(back, planes, strides);
        if (brightness > 0) {
            LiftLumaPlane(planes[0], row_bytes, width_, height_, brightness);
        }
        if (text) {
            osd_.DrawI420(planes, strides, width_, height_);
        }
    } else {
        if (brightness > 0) {
            LiftLuma(back, row_bytes, width_, height_, brightness);
        }
        if (text && mode_ == Mode::kYuy2) {
            osd_.DrawYuy2(back, row_bytes, width_, height_);
        }
    }
    if (mode_ != Mode::kSoftware) {
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
    if (mode_ == Mode::kYuy2 || mode_ == Mode::kI420) {
        window_->present(window_->user, mode_ == Mode::kI420 ? KM_FORMAT_I420 : KM_FORMAT_YUY2,
                         surfaces_[front_].get(), width_, height_,
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
    uint8_t* planes[3] = {};
    int32_t strides[3] = {};
    if (mode_ == Mode::kI420) {
        PlanesOf(surfaces_[front_].get(), planes, strides);
    }
    for (int row = 0; row < height_; ++row) {
        uint8_t* dst = out + static_cast<size_t>(flip ? height_ - 1 - row : row) * out_row_bytes;
        if (mode_ == Mode::kI420) {
            const uint8_t* const row_planes[3] = {planes[0] + ptrdiff_t{row} * strides[0],
                                                  planes[1] + ptrdiff_t{row / 2} * strides[1],
                                                  planes[2] + ptrdiff_t{row / 2} * strides[2]};
            PlanarToBgr24(row_planes, strides, width_, 1, dst, out_row_bytes);
        } else if (mode_ == Mode::kYuy2) {
            Yuy2ToBgr24(surfaces_[front_].get() + row * surface_row_bytes, surface_row_bytes,
                        width_, 1, dst, out_row_bytes);
        } else {
            DropX(rgb_.get() + row * 4 * static_cast<size_t>(width_), width_, dst);
        }
    }
    return true;
}

}  // namespace kestrel::media
