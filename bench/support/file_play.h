// Pieces of the benchmarks that play recordings through the media library
// and tell the pictures apart: a file handle playing into a window, the
// search for a frame's picture in a window's log, the frames a positioning
// decodes unseen, and the printed summary of positionings.
//
// Threading: FilePlayback is used by one thread; the play-info callback it
// registers runs on the media library's thread and only sets a flag.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kestrel_media.h"
#include "picture_log_window.h"
#include "sim/media_clip.h"

namespace kestrel::bench {

// An open file handle playing channel 1 into a window; closed on destruction.
class FilePlayback {
public:
    FilePlayback(const std::string& path, PictureLogWindow& window);
    ~FilePlayback();
    FilePlayback(const FilePlayback&) = delete;
    FilePlayback& operator=(const FilePlayback&) = delete;

    bool Started() const { return started_; }
    // The end of playback was announced.
    bool Ended() const { return ended_.load(); }
    QW_DECODER_HANDLE Handle() const { return handle_; }

private:
    static int32_t OnInfo(void* user, const QwPlayInfo* info);

    QW_DECODER_HANDLE handle_ = nullptr;
    std::atomic<bool> ended_{false};
    bool started_ = false;
};

// Index of the first picture from `from` on that has `hash` and was presented
// at or after `since`.
std::optional<size_t> FindPicture(const std::vector<PictureLogWindow::Picture>& pictures,
                                  size_t from, std::chrono::steady_clock::time_point since,
                                  uint64_t hash);

// One positioning, from the call to the first picture of the new place.
struct SeekResult {
    int from_key = 0;  // frames decoded unseen before the target
    double ms = 0;
    int stale = 0;  // pictures shown after the call before the new place's
    bool ok = false;
};

// Whether an access unit holds an IDR slice (NAL type 5).
bool HasIdrSlice(std::span<const uint8_t> unit);
// Frames from the last IDR access unit at or before frame `target` of the
// looped clip to it.
int FramesFromKey(const sim::MediaClip& clip, int target);

struct SeekSummary {
    double median_ms = 0;
    double max_ms = 0;
    size_t shown = 0;  // positionings that showed their frame
};

// Prints median and max against the frame interval, and each positioning by
// the frames it decoded unseen.
SeekSummary PrintSeeks(const char* label, std::vector<SeekResult> results);

}  // namespace kestrel::bench
