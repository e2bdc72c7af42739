// The encoder's capacity rules behind the video parameter page: the frame
// budget of a recorder (weighted frames per second over all channels of the
// record stream), the resolution weights, the bit-rate table and the quality
// a stored bit rate shows as, and the checks of a frame rate, a resolution
// and a copy to other channels against the budget.
//
// Threading: plain functions over the caller's records; no state.
#pragma once

#include <cstdint>
#include <span>

#include "kestrel_records.h"

namespace kestrel::client {

// The device type assumed when the recorder's own cannot be read.
constexpr int32_t kDefaultDeviceType = 38418;

// In the order of the quality drop-down.
enum class VideoQuality { kBest = 0, kFine = 1, kNormal = 2 };

struct VideoCapacity {
    int32_t deviceType = kDefaultDeviceType;
    bool ntsc = false;

    int32_t MaxFrameRate() const { return ntsc ? 30 : 25; }
    // Weighted frames per second the encoder can take.
    int32_t Budget() const;
};

// CIF 1, HD1 2, everything else 4.
int32_t ResolutionWeight(int32_t resolution);

// kbit/s for a resolution and quality. Types without a table of their own
// use the first one: a recorder unknown to the client is most likely one of
// the small ones.
int32_t TableBitRate(int32_t deviceType, int32_t resolution, VideoQuality quality);
// BEST at or above the row's BEST value, NORMAL below its FINE value.
VideoQuality QualityOfBitRate(int32_t deviceType, int32_t resolution, int32_t bitRate);

// The record-stream load of every channel but `except` and those whose
// copy flag is set (flags may be empty).
int32_t OtherChannelsLoad(std::span<const QwVideoAttr> records, int except,
                          std::span<const uint32_t> copyFlags = {});

// What a check found: the value is good, out of range, or over the budget
// (with the largest value that would fit).
struct CapacityCheck {
    enum class Result { kFits, kInvalid, kOverBudget };
    Result result = Result::kFits;
    int32_t maxValue = 0;
};

// A frame rate typed for `channel` of the record stream.
CapacityCheck CheckFrameRate(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                             int channel, int32_t frameRate);

// A resolution chosen for `channel` of the record stream. Over the budget,
// maxValue is the best resolution that would fit: QW_RES_CIF or QW_RES_HD1.
CapacityCheck CheckResolution(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                              int channel, int32_t resolution);

// A copy of `source`'s record-stream settings to `targets` flagged channels.
// Over the budget, maxValue is the frame rate each copy could have.
CapacityCheck CheckCopy(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                        int source, std::span<const uint32_t> copyFlags, int targets);

// DEFAULT of the record stream: every channel CIF at 25 fps with the CIF
// row's BEST bit rate.
void RestoreRecordStreamDefaults(int32_t deviceType, std::span<QwVideoAttr> records);

}  // namespace kestrel::client
