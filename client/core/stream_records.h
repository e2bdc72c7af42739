// Recognises the recorder's frame records in buffered stream bytes, as the
// record file writer needs them: kind, size in the stream, where the payload
// lies and whether a video frame starts a picture group.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrel::client {

enum class RecordKind { kNone, kVideo, kAudio };

struct StreamRecord {
    RecordKind kind = RecordKind::kNone;
    bool mainStream = false;  // video: byte 1 is '0'
    uint64_t streamSize = 0;  // bytes the record occupies, rounded up to 8
    uint64_t payloadOffset = 0;
    uint32_t payloadLength = 0;
};

// Bytes a video record header needs before its lengths can be read; the
// writer scans only where this many bytes remain.
constexpr size_t kRecordScanWindow = 24;

// The record starting at bytes[0]; kind kNone when no marker is there.
// available must be at least kRecordScanWindow.
StreamRecord RecogniseRecord(const uint8_t* bytes, size_t available);

// Whether the H.264 access unit is an IDR picture: the first slice found in
// its leading bytes decides; true when no slice shows there (the recorder's
// main-stream marking is then all there is to go by).
bool LooksLikeKeyFrame(const uint8_t* payload, size_t length);

// How many leading payload bytes LooksLikeKeyFrame reads at most.
constexpr size_t kKeyFrameProbeBytes = 4096;

}  // namespace kestrel::client
