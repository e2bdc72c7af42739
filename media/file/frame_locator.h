// Finding video records (current layout, see frame_format.h) in a recording
// file: the first main-stream frame from the start, the last video frame
// from the end, and the neighbours of an offset for positioning and
// stepping back. Every search is bounded in reads and never reads outside
// the input (forward: 4 KiB reads, at most 2001; backward: 512-byte reads,
// at most 8000); a record counts only when its whole 24-byte header lies inside
// the input (its payload may be cut off, as in a file still being written).
//
// Threading: plain functions; the input is used by the calling thread only.
#pragma once

#include <cstdint>
#include <optional>

#include "frame_format.h"
#include "random_access_input.h"

namespace kestrel::media {

struct LocatedFrame {
    uint64_t offset = 0;  // of the record's first byte
    unsigned kind = 0;    // kMarkerMainVideo or kMarkerSubVideo
    MediaFrameHeader header;
};

// First main-stream video record from offset 0: its offset is where the
// file's data starts.
std::optional<LocatedFrame> FindFirstMainFrame(RandomAccessInput& input);
// Last video record (main or sub stream) from the end.
std::optional<LocatedFrame> FindLastVideoFrame(RandomAccessInput& input);

// First video record of a kind in `mask` starting at or after `offset`.
std::optional<LocatedFrame> FindVideoFrameAtOrAfter(RandomAccessInput& input, uint64_t offset,
                                                    unsigned mask = kMarkerMainVideo |
                                                                    kMarkerSubVideo);
// Last main-stream video record starting before `offset`.
std::optional<LocatedFrame> FindMainFrameBefore(RandomAccessInput& input, uint64_t offset);

}  // namespace kestrel::media
