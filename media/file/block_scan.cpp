#include "block_scan.h"

#include <algorithm>
#include <vector>

namespace kestrel::media {

std::optional<uint64_t> ScanForward(RandomAccessInput& input, uint64_t from, size_t width,
                                    ScanLimits limits, const FrameMatcher& matches) {
    if (width == 0 || limits.block_size == 0) {
        return std::nullopt;
    }
    // buffer holds the input from buffer_start on: the unchecked tail of the
    // previous read, then the new block.
    std::vector<uint8_t> buffer;
    buffer.reserve(limits.block_size + width);
    uint64_t buffer_start = from;
    uint64_t next_read = from;
    for (size_t reads = 0; reads < limits.max_reads; ++reads) {
        const size_t kept = buffer.size();
        buffer.resize(kept + limits.block_size);
        const size_t got = input.ReadAt(next_read, std::span(buffer).subspan(kept));
        buffer.resize(kept + got);
        next_read += got;
        for (size_t at = 0; at + width <= buffer.size(); ++at) {
            if (matches(std::span<const uint8_t>(buffer).subspan(at, width))) {
                return buffer_start + at;
            }
        }
        if (got == 0) {
            break;
        }
        // Positions whose window did not fit yet are checked after the next read.
        const size_t carry = std::min(buffer.size(), width - 1);
        buffer_start += buffer.size() - carry;
        buffer.erase(buffer.begin(), buffer.end() - static_cast<std::ptrdiff_t>(carry));
    }
    return std::nullopt;
}

std::optional<uint64_t> ScanBackward(RandomAccessInput& input, uint64_t before, size_t width,
                                     ScanLimits limits, const FrameMatcher& matches) {
    const uint64_t size = input.Size();
    if (width == 0 || limits.block_size == 0 || size < width) {
        return std::nullopt;
    }
    // Candidates are starts below `before` whose window ends inside the input.
    const uint64_t last_start = std::min(before, size - width + 1);  // exclusive
    if (last_start == 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> buffer;  // the input from chunk_start on
    std::vector<uint8_t> head;    // first width - 1 bytes of the previous chunk
    uint64_t chunk_end = last_start;
    for (size_t reads = 0; reads < limits.max_reads && chunk_end > 0; ++reads) {
        const uint64_t chunk_start =
            chunk_end > limits.block_size ? chunk_end - limits.block_size : 0;
        const size_t length = static_cast<size_t>(chunk_end - chunk_start);
        buffer.resize(length);
        const size_t got = input.ReadAt(chunk_start, buffer);
        if (got == length) {
            buffer.insert(buffer.end(), head.begin(), head.end());
            if (reads == 0) {
                // The first chunk's windows reach width - 1 bytes past it.
                buffer.resize(length + width - 1);
                const size_t tail = input.ReadAt(chunk_end, std::span(buffer).subspan(length));
                buffer.resize(length + tail);
            }
        } else {
            buffer.resize(got);  // the input shrank: only what was read counts
        }
        for (size_t at = std::min(length, buffer.size()); at-- > 0;) {
            if (at + width <= buffer.size() &&
                matches(std::span<const uint8_t>(buffer).subspan(at, width))) {
                return chunk_start + at;
            }
        }
        head.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(
                                                         std::min(buffer.size(), width - 1)));
        chunk_end = chunk_start;
    }
    return std::nullopt;
}

}  // namespace kestrel::media
