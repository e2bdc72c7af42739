// The 512-byte header at the start of a recording file, in either of its two
// layouts, and what playback needs from it: the recorder type, the time
// span, the channels and the time between frames.
//
// First-generation layout (tried first; accepted only when a model row
// matches both the number and the code):
//   132 frame-rate code, 136 video standard character ('0' = 25-frame
//   family), 140 u16 model number, 144 12-character model code. The times
//   come from the first and last main-stream records (first_generation_frames.h).
// Current layout (accepted when a row matches the number or the code):
//   37 start time, 43 end time (six bytes each: year - 2000, month, day,
//   hour, minute, second), 53 video standard (non-zero = 25-frame family),
//   76 u16 model number, 80 12-character model code, 100 four channel
//   records of 40 bytes (byte 0 channel counted from 1, 0 = none; byte 1
//   low 5 bits frame-rate code or frames per second).
//
// Threading: plain functions; the input is used by the calling thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "random_access_input.h"
#include "recording_time.h"

namespace kestrel::media {

constexpr size_t kRecordingHeaderSize = 512;

enum class HeaderLayout : uint8_t { kNone, kFirstGeneration, kCurrent };

struct RecordingHeader {
    HeaderLayout layout = HeaderLayout::kNone;
    uint32_t type_code = 0;     // DeviceTypeCode of the matching model row
    uint32_t subtype_code = 0;  // its subtype code
    // Clamped as read (ClampRecordingTime). First generation: all zero when
    // the file holds no main-stream record, which IsValidRecordingTime refuses.
    RecordingTime start{};
    RecordingTime end{};
    bool twenty_five_frame_family = true;
    uint8_t frame_rate_code = 0;
    uint32_t channel_mask = 0;  // bit n: channel n (0-based)
    uint32_t frame_interval_ms = 0;
};

// Reads the header from offset 0. 0 with *out filled; kMediaShortHeader
// when fewer than 512 bytes can be read; kMediaFileFormat when no layout
// matches a known model. *out is cleared on failure.
int32_t ReadRecordingHeader(RandomAccessInput& input, RecordingHeader* out);

// Milliseconds between frames for a frame-rate code: 25-frame family 40,
// 80, 160, 320, 640, 1280 for codes 0..5; 30-frame family 33, 67, 133, 267,
// 533, 1067; codes above 5 give 40.
uint32_t IntervalForFrameRateCode(uint8_t code, bool twenty_five_frame_family);

}  // namespace kestrel::media
