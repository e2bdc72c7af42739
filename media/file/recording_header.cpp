#include "recording_header.h"

#include <algorithm>
#include <array>

#include "file_result.h"
#include "first_generation_frames.h"
#include "kestrel_recorder_traits.h"
#include "media_result.h"
#include "model_table.h"

namespace kestrel::media {
namespace {

using Header = std::array<uint8_t, kRecordingHeaderSize>;

// First-generation offsets.
constexpr size_t kOldFrameRate = 132;
constexpr size_t kOldVideoStandard = 136;
constexpr size_t kOldModelNumber = 140;
constexpr size_t kOldModelCode = 144;

// Current offsets.
constexpr size_t kStartTime = 37;
constexpr size_t kEndTime = 43;
constexpr size_t kVideoStandard = 53;
constexpr size_t kModelNumber = 76;
constexpr size_t kModelCode = 80;
constexpr size_t kChannelRecords = 100;
constexpr size_t kChannelRecordSize = 40;
constexpr size_t kChannelRecordCount = 4;
constexpr uint8_t kMaxChannelNumber = 32;

constexpr int kDefaultFramesPerSecond = 25;
constexpr uint32_t kIntervalAboveTable = 40;

uint16_t Le16(const Header& h, size_t at) {
    return static_cast<uint16_t>(h[at] | h[at + 1] << 8);
}

std::span<const uint8_t> ModelCodeAt(const Header& h, size_t at) {
    return std::span<const uint8_t>(h).subspan(at, kModelCodeCompared);
}

RecordingTime TimeAt(const Header& h, size_t at) {
    return ClampRecordingTime(
        RecordingTime{h[at], h[at + 1], h[at + 2], h[at + 3], h[at + 4], h[at + 5]});
}

uint32_t FirstGenChannelMask(uint32_t type, RandomAccessInput& input) {
    const uint32_t mask = RecorderType(type).first_gen_channel_mask;
    return mask != 0 ? mask : FirstGenScanChannelMask(input);
}

void ReadFirstGeneration(const Header& h, const ModelRow& row, RandomAccessInput& input,
                         RecordingHeader* out) {
    out->layout = HeaderLayout::kFirstGeneration;
    out->twenty_five_frame_family = h[kOldVideoStandard] == '0';
    out->frame_rate_code = h[kOldFrameRate];
    // This layout has no channel records, so every type takes its interval
    // from the frame-rate code.
    out->frame_interval_ms =
        IntervalForFrameRateCode(out->frame_rate_code, out->twenty_five_frame_family);
    out->channel_mask = FirstGenChannelMask(row.type_code, input);
    if (const auto first = FirstGenFirstMainTime(input)) {
        out->start = ClampRecordingTime(*first);
    }
    if (const auto last = FirstGenLastMainTime(input)) {
        out->end = ClampRecordingTime(*last);
    }
}

void ReadCurrent(const Header& h, const ModelRow& row, RecordingHeader* out) {
    out->layout = HeaderLayout::kCurrent;
    out->start = TimeAt(h, kStartTime);
    out->end = TimeAt(h, kEndTime);
    out->twenty_five_frame_family = h[kVideoStandard] != 0;
    const uint8_t* last_used = nullptr;
    for (size_t i = 0; i < kChannelRecordCount; ++i) {
        const uint8_t* record = h.data() + kChannelRecords + i * kChannelRecordSize;
        if (record[0] >= 1 && record[0] <= kMaxChannelNumber) {
            out->channel_mask |= uint32_t{1} << (record[0] - 1);
            last_used = record;
        }
    }
    const uint8_t rate = last_used != nullptr ? (last_used[1] & 0x1F) : 0;
    out->frame_rate_code = rate;
    if (RecorderType(row.type_code).counts_frames_per_sec) {
        // No used record: one frame a second (1000 ms), the slowest pace,
        // rather than a division by zero.
        const int fps = last_used == nullptr ? 1 : (rate == 0 ? kDefaultFramesPerSecond : rate);
        out->frame_interval_ms = static_cast<uint32_t>(1000 / fps);
    } else {
        out->frame_interval_ms = IntervalForFrameRateCode(rate, out->twenty_five_frame_family);
    }
}

}  // namespace

uint32_t IntervalForFrameRateCode(uint8_t code, bool twenty_five_frame_family) {
    static constexpr std::array<uint32_t, 6> k25{40, 80, 160, 320, 640, 1280};
    static constexpr std::array<uint32_t, 6> k30{33, 67, 133, 267, 533, 1067};
    if (code >= k25.size()) {
        return kIntervalAboveTable;
    }
    return twenty_five_frame_family ? k25[code] : k30[code];
}

int32_t ReadRecordingHeader(RandomAccessInput& input, RecordingHeader* out) {
    *out = RecordingHeader{};
    Header h{};
    if (input.ReadAt(0, h) != h.size()) {
        return kMediaShortHeader;
    }
    if (const ModelRow* row =
            FindModelByNumberAndCode(Le16(h, kOldModelNumber), ModelCodeAt(h, kOldModelCode))) {
        out->type_code = row->type_code;
        out->subtype_code = row->subtype_code;
        ReadFirstGeneration(h, *row, input, out);
        return kMediaOk;
    }
    if (const ModelRow* row =
            FindModelByNumberOrCode(Le16(h, kModelNumber), ModelCodeAt(h, kModelCode))) {
        out->type_code = row->type_code;
        out->subtype_code = row->subtype_code;
        ReadCurrent(h, *row, out);
        return kMediaOk;
    }
    return kMediaFileFormat;
}

}  // namespace kestrel::media
