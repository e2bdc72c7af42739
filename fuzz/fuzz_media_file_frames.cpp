// Fuzzes what the file player reads frames with, on arbitrary file
// contents: the block scans against a plain search, the IDR test, the key
// frame a frame is decoded from, the bytes of a step back, the next key
// frame of fast playback, and the first-generation record search. The first
// four input bytes steer the scans; the rest is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>

#include "block_scan.h"
#include "first_generation_frames.h"
#include "frame_format.h"
#include "frame_locator.h"
#include "fuzz_counting_input.h"
#include "fuzz_entry.h"
#include "key_frame.h"
#include "random_access_input.h"

namespace {

using namespace kestrel::media;

// Some window contents match: the first byte and the last byte agree with
// the pattern, so matches are neither everywhere nor nowhere.
bool Matches(std::span<const uint8_t> window, uint8_t pattern) {
    return (window.front() & 0x0F) == (pattern & 0x0F) &&
           (window.back() & 0x30) == (pattern & 0x30);
}

bool IdrByDefinition(std::span<const uint8_t> unit) {
    for (size_t i = 0; i + 3 < unit.size(); ++i) {
        if (unit[i] == 0 && unit[i + 1] == 0 && unit[i + 2] == 1 && (unit[i + 3] & 0x1F) == 5) {
            return true;
        }
    }
    return false;
}

void CheckScans(std::span<const uint8_t> file, const uint8_t* knobs) {
    const size_t width = knobs[2] % 24 + 1;
    const ScanLimits limits{size_t{knobs[1]} % 64 + 1, 0};
    const uint8_t pattern = knobs[0];
    const uint64_t at = uint64_t{knobs[3]} * (file.size() + 2) / 255;  // may lie past the end
    auto matcher = [&](std::span<const uint8_t> window) {
        Check(window.size() == width);
        return Matches(window, pattern);
    };
    std::optional<uint64_t> first, last;
    for (uint64_t i = 0; i + width <= file.size(); ++i) {
        if (Matches(file.subspan(i, width), pattern)) {
            if (i >= at && !first) {
                first = i;
            }
            if (i < at) {
                last = i;
            }
        }
    }
    // With reads enough to cover the file both scans must find exactly
    // what the plain search finds; with one read, nothing beyond it.
    const size_t enough = file.size() / limits.block_size + 2;
    for (size_t max_reads : {enough, size_t{1}}) {
        CountingInput input(file);
        const ScanLimits bounded{limits.block_size, max_reads};
        const auto forward = ScanForward(input, at, width, bounded, matcher);
        Check(input.reads <= max_reads);
        Check(max_reads == 1 ? (!forward || forward == first) : forward == first);
        input.reads = 0;
        const auto backward = ScanBackward(input, at, width, bounded, matcher);
        Check(input.reads <= max_reads + 1);  // the first chunk's tail takes one more
        Check(max_reads == 1 ? (!backward || backward == last) : backward == last);
    }
}

void CheckKeyFrames(std::span<const uint8_t> file, const uint8_t* knobs) {
    CountingInput input(file);
    const auto first = FindFirstMainFrame(input);
    const uint64_t data_start = first ? first->offset : 0;
    const uint64_t at = uint64_t{knobs[3]} * file.size() / 255;
    const auto target = FindVideoFrameAtOrAfter(input, at, kMarkerMainVideo);
    if (target) {
        int frames = 0;
        const LocatedFrame key = FindKeyFrameFor(input, *target, data_start, &frames);
        Check(frames >= 1 && frames <= kMaxKeyFrameSearch + 1);
        Check(key.offset <= target->offset && key.kind == kMarkerMainVideo);
        Check(frames == 1 ? key.offset == target->offset
                          : key.offset < target->offset && key.offset >= data_start);
        const auto run = ReadUpToEndOf(input, key.offset, *target);
        const uint64_t end = target->offset + target->header.RecordLength();
        Check(run.has_value() == (end <= file.size()));
        if (run) {
            Check(run->size() == end - key.offset);
            Check(std::equal(run->begin(), run->end(), file.begin() + key.offset));
        }
    }

    // The player reads up to the usable size, which may stop short of the file.
    const uint64_t usable = file.size() - std::min<uint64_t>(file.size(), knobs[1]);
    const NextKeyFrame next = FindNextKeyFrame(input, at, usable, 50);
    switch (next.outcome) {
        case NextKeyFrame::Outcome::kFound: {
            Check(next.record.size() >= kVideoHeaderSize && next.record.size() <= next.resume_at);
            Check(next.resume_at <= usable && next.resume_at - next.record.size() >= at);
            Check(std::equal(next.record.begin(), next.record.end(),
                             file.begin() + (next.resume_at - next.record.size())));
            Check(MarkerKindAt(next.record, 0) == kMarkerMainVideo);
            const auto payload = VideoRecordPayload(next.record);
            Check(payload && HasIdrPicture(*payload));
            break;
        }
        case NextKeyFrame::Outcome::kEnd:
            Check(next.resume_at == usable && next.record.empty());
            break;
        case NextKeyFrame::Outcome::kNotFound:
            Check(next.resume_at >= at && next.record.empty());
            break;
    }
}

void CheckFirstGeneration(std::span<const uint8_t> file) {
    CountingInput input(file);
    for (size_t i = 0; i + kFirstGenFrameHeaderSize <= file.size() && i < 64; ++i) {
        const auto header = ReadFirstGenFrameHeader(file.subspan(i));
        if (header) {
            Check(header->Channel() >= 0 && header->Channel() <= 15);
            Check(header->length < (1u << 24));
            Check(header->time.year <= 99 && header->time.month <= 99);
        }
    }
    FirstGenFirstMainTime(input);
    Check(input.reads <= 2001 + 1);
    input.reads = 0;
    FirstGenLastMainTime(input);
    Check(input.reads <= 8000 + 2);
    input.reads = 0;
    Check(FirstGenScanChannelMask(input) <= 0x0F);
    Check(input.reads <= 150);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::span<const uint8_t> file(data + 4, size - 4);
    Check(HasIdrPicture(file) == IdrByDefinition(file));
    CheckScans(file, data);
    CheckKeyFrames(file, data);
    CheckFirstGeneration(file);
    return 0;
}
