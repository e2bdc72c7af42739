#include "key_frame.h"

namespace kestrel::media {
namespace {

// The access unit of a located frame; nullopt when it is too long to be
// genuine or not all in the input.
std::optional<std::vector<uint8_t>> ReadAccessUnit(RandomAccessInput& input,
                                                   const LocatedFrame& frame) {
    const size_t payload_at = kVideoHeaderSize + frame.header.extension_length;
    const size_t length = frame.header.payload_length;
    if (payload_at + length > kMaxFileRecordBytes) {
        return std::nullopt;
    }
    std::vector<uint8_t> payload(length);
    if (input.ReadAt(frame.offset + payload_at, payload) != length) {
        return std::nullopt;
    }
    return payload;
}

}  // namespace

bool HasIdrPicture(std::span<const uint8_t> access_unit) {
    constexpr uint8_t kIdrSlice = 5;
    // Start codes are 00 00 01 (a fourth leading zero changes nothing).
    for (size_t i = 0; i + 3 < access_unit.size(); ++i) {
        if (access_unit[i] == 0 && access_unit[i + 1] == 0 && access_unit[i + 2] == 1) {
            if ((access_unit[i + 3] & 0x1F) == kIdrSlice) {
                return true;
            }
            i += 2;
        }
    }
    return false;
}

LocatedFrame FindKeyFrameFor(RandomAccessInput& input, const LocatedFrame& target,
                             uint64_t data_start, int* frames) {
    LocatedFrame key = target;
    *frames = 1;
    for (int searched = 0; searched < kMaxKeyFrameSearch; ++searched) {
        const auto payload = ReadAccessUnit(input, key);
        if (payload && HasIdrPicture(*payload)) {
            break;
        }
        const auto before = FindMainFrameBefore(input, key.offset);
        if (!before || before->offset < data_start) {
            break;  // no key frame before: start at the oldest frame found
        }
        key = *before;
        ++*frames;
    }
    return key;
}

std::optional<std::vector<uint8_t>> ReadUpToEndOf(RandomAccessInput& input, uint64_t from,
                                                  const LocatedFrame& last) {
    const uint64_t end = last.offset + last.header.RecordLength();
    if (from > end || end > input.Size()) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(end - from));
    if (input.ReadAt(from, bytes) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

NextKeyFrame FindNextKeyFrame(RandomAccessInput& input, uint64_t from, uint64_t usable,
                              int max_tries) {
    for (int tries = 0; tries < max_tries; ++tries) {
        const auto frame = FindVideoFrameAtOrAfter(input, from, kMarkerMainVideo);
        if (!frame || frame->offset + frame->header.RecordLength() > usable) {
            return {NextKeyFrame::Outcome::kEnd, usable, {}};
        }
        const uint64_t length = frame->header.RecordLength();
        from = frame->offset + length;
        if (length > kMaxFileRecordBytes) {
            continue;
        }
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        if (input.ReadAt(frame->offset, bytes) != bytes.size() ||
            !HasIdrPicture(std::span<const uint8_t>(bytes).subspan(
                kVideoHeaderSize + frame->header.extension_length))) {
            continue;
        }
        return {NextKeyFrame::Outcome::kFound, from, std::move(bytes)};
    }
    return {NextKeyFrame::Outcome::kNotFound, from, {}};
}

}  // namespace kestrel::media
