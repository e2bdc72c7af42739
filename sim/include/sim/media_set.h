// The media a simulated recorder streams: the main-stream and sub-stream
// clips and the tone for audio, loaded once at start and read-only after,
// so every connection thread reads it without a lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/media_clip.h"

namespace kestrel::sim {

inline constexpr const char* kMainClipFile = "clip_d1.h264";  // stream 0
inline constexpr const char* kSubClipFile = "clip_cif.h264";  // stream 1
inline constexpr const char* kToneFile = "tone.ul";           // mu-law, 8000 Hz mono

struct MediaSet {
    MediaClip main_clip;
    MediaClip sub_clip;
    std::vector<uint8_t> tone;  // mu-law samples, at least one audio block's worth

    // nullopt (with *error) when a file is missing, unreadable or unusable.
    static std::optional<MediaSet> Load(const std::string& folder, std::string* error);
    const MediaClip& Clip(int stream_number) const {
        return stream_number == 1 ? sub_clip : main_clip;
    }
    // The clip of the stream that is not stream_number.
    const MediaClip& OtherClip(int stream_number) const {
        return stream_number == 1 ? main_clip : sub_clip;
    }
};

}  // namespace kestrel::sim
