// Bounded searches for frame starts in a RandomAccessInput, block by block.
// A frame is recognised by a matcher that looks at `width` bytes from its
// start; bytes are carried between reads, so a frame whose first `width`
// bytes straddle two reads is found. A frame counts only when all `width`
// bytes lie inside the input.
//
// Threading: plain functions; the input is used by the calling thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "random_access_input.h"

namespace kestrel::media {

// window holds exactly `width` bytes starting at the candidate offset.
using FrameMatcher = std::function<bool(std::span<const uint8_t> window)>;

struct ScanLimits {
    size_t block_size = 4096;
    size_t max_reads = 2001;
};

// First frame starting at or after `from`.
std::optional<uint64_t> ScanForward(RandomAccessInput& input, uint64_t from, size_t width,
                                    ScanLimits limits, const FrameMatcher& matches);

// Last frame starting before `before` (its bytes may run past `before`).
std::optional<uint64_t> ScanBackward(RandomAccessInput& input, uint64_t before, size_t width,
                                     ScanLimits limits, const FrameMatcher& matches);

}  // namespace kestrel::media
