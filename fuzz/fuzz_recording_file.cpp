// Fuzzes the recording header reader and the frame search on arbitrary
// file contents. Every frame found must lie inside the input with a whole
// header, on the right side of the offset asked about, and the searches
// must stay within their read limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "frame_format.h"
#include "frame_locator.h"
#include "fuzz_counting_input.h"
#include "fuzz_entry.h"
#include "media_result.h"
#include "random_access_input.h"
#include "recording_header.h"

namespace {

void CheckFrame(CountingInput& input, const std::optional<kestrel::media::LocatedFrame>& frame) {
    if (!frame) {
        return;
    }
    Check(frame->offset + kestrel::media::kVideoHeaderSize <= input.Size());
    Check(frame->kind == kestrel::media::kMarkerMainVideo ||
          frame->kind == kestrel::media::kMarkerSubVideo);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrel::media;
    CountingInput input(std::span<const uint8_t>(data, size));

    RecordingHeader header;
    const int32_t result = ReadRecordingHeader(input, &header);
    Check(result == kMediaOk || result == static_cast<int32_t>(0x8002000D) ||
          result == static_cast<int32_t>(0x80020014));
    if (result == kMediaOk) {
        Check(header.layout != HeaderLayout::kNone && header.type_code != 0);
        Check(header.frame_interval_ms >= 32 && header.frame_interval_ms <= 1280);
        Check(header.start.month >= 1 || header.layout == HeaderLayout::kFirstGeneration);
    } else {
        Check(header.layout == HeaderLayout::kNone && header.channel_mask == 0);
    }
    Check(input.reads <= 1 + 2001 + 8000 + 150);

    input.reads = 0;
    const auto first = FindFirstMainFrame(input);
    CheckFrame(input, first);
    Check(!first || first->kind == kMarkerMainVideo);
    Check(input.reads <= 2001);

    input.reads = 0;
    CheckFrame(input, FindLastVideoFrame(input));
    Check(input.reads <= 8001);

    // Neighbours of an offset taken from the input itself.
    const uint64_t at =
        size >= 4
            ? (uint64_t{data[0]} | uint64_t{data[1]} << 8 | uint64_t{data[2]} << 16) % (size + 1)
            : 0;
    const auto next = FindVideoFrameAtOrAfter(input, at, kMarkerMainVideo);
    CheckFrame(input, next);
    Check(!next || (next->offset >= at && next->kind == kMarkerMainVideo));
    const auto before = FindMainFrameBefore(input, at);
    CheckFrame(input, before);
    Check(!before || (before->offset < at && before->kind == kMarkerMainVideo));
    return 0;
}
