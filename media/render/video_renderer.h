// Shows a channel's pictures in the caller's window (a KmVideoWindow): the
// picture (packed YUY2 or the decoder's planes) lands in the renderer's back
// surface, is lifted in brightness, given its on-screen text and handed to
// the window: as planar 4:2:0 when the window takes I420 (planar path), else
// as YUY2 when it takes that (hardware path), else converted to RGB32
// (software path). Every buffer is allocated by Open for the picture size,
// never per picture.
//
// I420 and YUY2 modes keep two surfaces: the front one holds what was last
// shown, for Capture, while the channel thread fills the back one without
// the lock. Showing swaps them under the lock. Software mode needs one
// surface, as Capture reads the RGB picture there; without a brightness lift
// a planar picture skips the surface and is converted to RGB in one pass.
//
// Threading: Open, Close, Draw and DrawPlanar run on the channel
// thread only. SetBrightness, Osd().Set/Clear, Capture, DetachWindow and
// AttachWindow may come from any thread.
//
// The window is borrowed: every use of it (its formats, present, clear)
// happens under window_mutex_ while it is attached. DetachWindow lets the
// owner hand the window back even while a channel thread that could not be
// joined still runs.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "kestrel_media.h"
#include "osd_text.h"

namespace kestrel::media {

class VideoRenderer {
public:
    enum class Mode { kClosed = 0, kSoftware = 1, kYuy2 = 2, kI420 = 3 };

    VideoRenderer() = default;
    ~VideoRenderer();  // closes
    VideoRenderer(const VideoRenderer&) = delete;
    VideoRenderer& operator=(const VideoRenderer&) = delete;

    // Closes what is open, then opens for pictures of width x height: I420
    // mode when the window accepts KM_FORMAT_I420, else YUY2 mode when it
    // accepts KM_FORMAT_YUY2, software mode when it accepts only
    // KM_FORMAT_RGB32. false (renderer stays closed) for a null
    // window or one without present(), no usable format, a size outside
    // 1..4096, or failed allocation.
    bool Open(KmVideoWindow* window, int width, int height);
    // Releases the buffers and tells the window to drop its picture
    // (clear()) when something was open.
    void Close();

    // Waits for a present or clear in progress; after it returns the window
    // is not touched again and Open fails, until AttachWindow.
    void DetachWindow();
    void AttachWindow();

    Mode CurrentMode() const { return mode_; }
    bool IsOpen() const { return mode_ != Mode::kClosed; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    uint64_t OpenCount() const { return open_count_; }  // successful opens so far

    // Draws one packed YUY2 picture of the size opened with (other sizes and
    // a closed renderer draw nothing and return false). draw_text false
    // leaves the on-screen text out (the show-info default hides it).
    bool Draw(const uint8_t* yuy2, size_t stride, int width, int height, bool draw_text);

    // The same for a planar 4:2:0 picture (Y, U, V planes and their
    // strides), converted straight into what the window gets (in I420 mode
    // copied plane by plane).
    bool DrawPlanar(const uint8_t* const planes[3], const int32_t strides[3], int width, int height,
                    bool draw_text);

    // 0 (off) to 255; applied to luma of every following picture.
    void SetBrightness(int level) { brightness_.store(level, std::memory_order_relaxed); }
    int Brightness() const { return brightness_.load(std::memory_order_relaxed); }

    OsdText& Osd() { return osd_; }

    // Copies the picture last shown, brightness and text included, as
    // width x height B G R pixels in rows of 3 * width bytes, top row first
    // or, with flip, bottom row first. false with *width = *height = 0 when
    // nothing was shown since Open or the renderer is closed; false with the
    // size set and nothing written when out is null or capacity is short of
    // 3 * width * height. width and height may be null.
    bool Capture(uint8_t* out, size_t capacity, int* width, int* height, bool flip);

private:
    // The surface the next picture is written to: nothing but the channel
    // thread touches it until ShowBack. Null while closed.
    uint8_t* BackSurface();
    // Row bytes of a YUY2 surface, or of an I420 surface's luma plane.
    size_t SurfaceStride() const;
    // An I420 surface's planes and their strides.
    void PlanesOf(uint8_t* surface, uint8_t* planes[3], int32_t strides[3]) const;
    // Shows the back surface's picture.
    bool ShowBack(bool draw_text);
    // Hands the shown picture to the window.
    void Present();

    // Written by Open and Close; dereferenced only under window_mutex_ while
    // window_attached_.
    KmVideoWindow* window_ = nullptr;
    std::mutex window_mutex_;
    bool window_attached_ = true;  // guarded by window_mutex_
    Mode mode_ = Mode::kClosed;
    int width_ = 0;
    int height_ = 0;
    uint64_t open_count_ = 0;
    // YUY2 (I420 in I420 mode) pictures that brightness and text change;
    // the second only in I420 and YUY2 mode.
    std::unique_ptr<uint8_t[]> surfaces_[2];
    int front_ = 0;                   // the surface last shown (I420, YUY2 mode)
    std::unique_ptr<uint8_t[]> rgb_;  // software mode conversion buffer
    // Held by Draw while it changes what it shows, by Open and Close while
    // they swap the buffers, and by Capture while it reads them.
    std::mutex shown_mutex_;
    bool shown_ = false;  // a picture was presented since Open
    std::atomic<int> brightness_{0};
    OsdText osd_;
};

}  // namespace kestrel::media
