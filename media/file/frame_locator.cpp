#include "frame_locator.h"

#include <array>

#include "block_scan.h"

namespace kestrel::media {
namespace {

constexpr ScanLimits kForward{4096, 2001};
constexpr ScanLimits kBackward{512, 8000};

FrameMatcher KindIn(unsigned mask) {
    return
        [mask](std::span<const uint8_t> window) { return (MarkerKindAt(window, 0) & mask) != 0; };
}

std::optional<LocatedFrame> FrameAt(RandomAccessInput& input, std::optional<uint64_t> offset) {
    if (!offset) {
        return std::nullopt;
    }
    std::array<uint8_t, kVideoHeaderSize> bytes{};
    if (input.ReadAt(*offset, bytes) != bytes.size()) {
        return std::nullopt;
    }
    const auto header = ReadMediaFrameHeader(bytes);
    const unsigned kind = MarkerKindAt(bytes, 0);
    if (!header || kind == 0) {
        return std::nullopt;
    }
    return LocatedFrame{*offset, kind, *header};
}

}  // namespace

std::optional<LocatedFrame> FindFirstMainFrame(RandomAccessInput& input) {
    return FindVideoFrameAtOrAfter(input, 0, kMarkerMainVideo);
}

std::optional<LocatedFrame> FindLastVideoFrame(RandomAccessInput& input) {
    const unsigned video = kMarkerMainVideo | kMarkerSubVideo;
    return FrameAt(input,
                   ScanBackward(input, input.Size(), kVideoHeaderSize, kBackward, KindIn(video)));
}

std::optional<LocatedFrame> FindVideoFrameAtOrAfter(RandomAccessInput& input, uint64_t offset,
                                                    unsigned mask) {
    mask &= kMarkerMainVideo | kMarkerSubVideo;
    if (mask == 0) {
        return std::nullopt;
    }
    return FrameAt(input, ScanForward(input, offset, kVideoHeaderSize, kForward, KindIn(mask)));
}

std::optional<LocatedFrame> FindMainFrameBefore(RandomAccessInput& input, uint64_t offset) {
    return FrameAt(
        input, ScanBackward(input, offset, kVideoHeaderSize, kBackward, KindIn(kMarkerMainVideo)));
}

}  // namespace kestrel::media
