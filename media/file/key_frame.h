// Key frames of a recording: whether an H.264 access unit holds an IDR
// picture (the only place a decoder can start after a jump without broken
// pictures), the key frame a frame is decoded from, and the next key frame
// for fast playback.
//
// Threading: plain functions; the input is used by the calling thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "frame_locator.h"
#include "random_access_input.h"

namespace kestrel::media {

// Longest record read whole: the longest payload a stream accepts, the
// header and the longest extension. Longer headers are taken as damaged.
inline constexpr size_t kMaxFileRecordBytes = 512000 + 24 + 0xFFFF;
// Main frames searched back for a key frame, at most.
inline constexpr int kMaxKeyFrameSearch = 600;

bool HasIdrPicture(std::span<const uint8_t> access_unit);

// The main frame `target` is decoded from: the nearest one at or before it
// whose access unit holds an IDR picture, searched at most
// kMaxKeyFrameSearch frames back and never before data_start; without one
// the oldest frame looked at. *frames receives how many main frames lead
// from it to the target, both counted.
LocatedFrame FindKeyFrameFor(RandomAccessInput& input, const LocatedFrame& target,
                             uint64_t data_start, int* frames);

// The bytes from `from` to the end of `last`; nullopt when they are not all
// in the input (a damaged length must not size the buffer).
std::optional<std::vector<uint8_t>> ReadUpToEndOf(RandomAccessInput& input, uint64_t from,
                                                  const LocatedFrame& last);

struct NextKeyFrame {
    enum class Outcome {
        kFound,     // record holds the key frame's whole record
        kEnd,       // no whole main frame before `usable`: the data ends
        kNotFound,  // max_tries frames without a key frame
    };
    Outcome outcome = Outcome::kNotFound;
    uint64_t resume_at = 0;  // where reading goes on (`usable` at the end)
    std::vector<uint8_t> record;
};

// The first main frame from `from` on whose access unit holds an IDR
// picture and whose whole record lies before `usable`, looking at most at
// max_tries frames.
NextKeyFrame FindNextKeyFrame(RandomAccessInput& input, uint64_t from, uint64_t usable,
                              int max_tries);

}  // namespace kestrel::media
