// A KmVideoWindow that keeps what the media library shows: for each
// presented picture its format, size and the MD5 (hex) of the picture as
// planar 4:2:0, so it compares with `ffmpeg -f framemd5` of the source clip
// (YUY2 is packed back losslessly: luma as is, chroma of the even rows).
// Optionally the pixels too (I420: the three planes without row padding,
// one after the other).
//
// Threading: present/clear run on the library's channel thread; the
// accessors may be called from any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kestrel_media.h"

namespace kestrel::media::test {

struct PresentedPicture {
    uint32_t format = 0;
    int width = 0;
    int height = 0;
    std::string md5_yuv420;          // YUY2 and I420 pictures; empty for RGB32
    bool chroma_rows_paired = true;  // YUY2: odd rows repeat the even rows' chroma
    std::vector<uint8_t> pixels;     // rows without padding; only when kept
};

class MemoryWindow {
public:
    explicit MemoryWindow(uint32_t formats = KM_FORMAT_YUY2, bool keep_pixels = false);
    MemoryWindow(const MemoryWindow&) = delete;
    MemoryWindow& operator=(const MemoryWindow&) = delete;

    KmVideoWindow* Window() { return &window_; }

    std::vector<PresentedPicture> Pictures() const;
    size_t Count() const;
    int Clears() const;
    // Waits until at least `count` pictures were presented; false on time-out.
    bool WaitForCount(size_t count, int timeout_ms) const;

private:
    static void Present(void* user, uint32_t format, const uint8_t* pixels, int32_t width,
                        int32_t height, int32_t stride);
    static void ClearPicture(void* user);

    KmVideoWindow window_{};
    const bool keep_pixels_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<PresentedPicture> pictures_;
    int clears_ = 0;
};

// MD5 (hex) of planar 4:2:0 rebuilt from a packed YUY2 picture.
std::string Yuy2AsYuv420Md5(const uint8_t* pixels, int width, int height, size_t stride);

}  // namespace kestrel::media::test
