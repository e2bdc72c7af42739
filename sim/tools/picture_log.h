// The window of kestrel-mediacheck: prints "frame N WxH md5" for every
// presented picture (see picture_md5.h), optionally appends the picture's
// rows without padding to a raw file (yuyv422 or bgr0, as presented), and
// keeps the figures for the summary.
//
// Threading: present/clear run on the media library's channel thread;
// Figures() may be called from any thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "kestrel_media.h"

namespace kestrel::tools {

struct PictureFigures {
    uint64_t pictures = 0;
    uint64_t unusable = 0;  // null pixels, bad size or stride, unknown format
    int clears = 0;
    bool raw_write_failed = false;
    std::map<std::pair<int, int>, uint64_t> sizes;  // (width, height) -> pictures
};

class PictureLog {
public:
    // lines and raw (may be null) stay open as long as the log is used.
    PictureLog(uint32_t formats, std::FILE* lines, std::FILE* raw);
    PictureLog(const PictureLog&) = delete;
    PictureLog& operator=(const PictureLog&) = delete;

    KmVideoWindow* Window() { return &window_; }
    PictureFigures Figures() const;

private:
    static void QW_CALLBACK Present(void* user, uint32_t format, const uint8_t* pixels,
                                    int32_t width, int32_t height, int32_t stride);
    static void QW_CALLBACK Clear(void* user);

    KmVideoWindow window_{};
    std::FILE* const lines_;
    std::FILE* const raw_;
    mutable std::mutex mutex_;  // guards figures_
    PictureFigures figures_;
};

}  // namespace kestrel::tools
