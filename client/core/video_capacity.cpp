#include "video_capacity.h"

#include <algorithm>
#include <array>

namespace kestrel::client {
namespace {

// Rows of the bit-rate table: BEST, FINE, NORMAL in kbit/s.
using BitRateRow = std::array<int32_t, 3>;
constexpr BitRateRow kD1Row{1536, 1024, 768};
constexpr BitRateRow kHd1Row{1024, 768, 512};
constexpr BitRateRow kCifRow{768, 512, 384};
constexpr BitRateRow kLargeEncoderRow{2048, 1536, 1024};  // 38421, every resolution

constexpr int32_t kLargeEncoderType = 38421;

const BitRateRow& RowFor(int32_t deviceType, int32_t resolution) {
    if (deviceType == kLargeEncoderType) {
        return kLargeEncoderRow;
    }
    switch (resolution) {
        case QW_RES_CIF:
            return kCifRow;
        case QW_RES_HD1:
            return kHd1Row;
        default:
            return kD1Row;
    }
}

int64_t LoadOf(const QwVideoAttr& record) {
    return int64_t{std::max(record.frame_rate, 0)} * ResolutionWeight(record.resolution);
}

bool Flagged(std::span<const uint32_t> flags, size_t channel) {
    return channel < flags.size() && flags[channel] != 0;
}

// Keeps the division results inside int32_t even for absurd records.
int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int32_t VideoCapacity::Budget() const {
    switch (deviceType) {
        case 38420:
        case 38421:
            return ntsc ? 480 : 400;
        case 5395:
            return ntsc ? 120 : 100;
        default:
            return ntsc ? 240 : 200;
    }
}

int32_t ResolutionWeight(int32_t resolution) {
    switch (resolution) {
        case QW_RES_CIF:
            return 1;
        case QW_RES_HD1:
            return 2;
        default:
            return 4;
    }
}

int32_t TableBitRate(int32_t deviceType, int32_t resolution, VideoQuality quality) {
    return RowFor(deviceType, resolution)[static_cast<size_t>(quality)];
}

VideoQuality QualityOfBitRate(int32_t deviceType, int32_t resolution, int32_t bitRate) {
    const BitRateRow& row = RowFor(deviceType, resolution);
    if (bitRate >= row[0]) {
        return VideoQuality::kBest;
    }
    return bitRate < row[1] ? VideoQuality::kNormal : VideoQuality::kFine;
}

int32_t OtherChannelsLoad(std::span<const QwVideoAttr> records, int except,
                          std::span<const uint32_t> copyFlags) {
    int64_t load = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (static_cast<int>(i) != except && !Flagged(copyFlags, i)) {
            load += LoadOf(records[i]);
        }
    }
    return Clamp32(load);
}

CapacityCheck CheckFrameRate(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                             int channel, int32_t frameRate) {
    if (frameRate <= 0 || frameRate > capacity.MaxFrameRate() || channel < 0 ||
        static_cast<size_t>(channel) >= records.size()) {
        return {CapacityCheck::Result::kInvalid, 0};
    }
    const int64_t others = OtherChannelsLoad(records, channel);
    const int32_t weight = ResolutionWeight(records[static_cast<size_t>(channel)].resolution);
    if (others + int64_t{frameRate} * weight <= capacity.Budget()) {
        return {};
    }
    return {CapacityCheck::Result::kOverBudget, Clamp32((capacity.Budget() - others) / weight)};
}

CapacityCheck CheckResolution(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                              int channel, int32_t resolution) {
    if (channel < 0 || static_cast<size_t>(channel) >= records.size()) {
        return {CapacityCheck::Result::kInvalid, 0};
    }
    const int64_t others = OtherChannelsLoad(records, channel);
    const int32_t frameRate = records[static_cast<size_t>(channel)].frame_rate;
    // A channel without a frame rate adds nothing, whatever its size.
    if (frameRate <= 0 ||
        others + int64_t{frameRate} * ResolutionWeight(resolution) <= capacity.Budget()) {
        return {};
    }
    const int64_t fits = (capacity.Budget() - others) / frameRate;
    return {CapacityCheck::Result::kOverBudget, fits <= 1 ? QW_RES_CIF : QW_RES_HD1};
}

CapacityCheck CheckCopy(const VideoCapacity& capacity, std::span<const QwVideoAttr> records,
                        int source, std::span<const uint32_t> copyFlags, int targets) {
    if (source < 0 || static_cast<size_t>(source) >= records.size() || targets < 0) {
        return {CapacityCheck::Result::kInvalid, 0};
    }
    const int64_t others = OtherChannelsLoad(records, source, copyFlags);
    const int64_t copies = 1 + int64_t{targets};
    const QwVideoAttr& from = records[static_cast<size_t>(source)];
    const int32_t weight = ResolutionWeight(from.resolution);
    if (others + copies * LoadOf(from) <= capacity.Budget()) {
        return {};
    }
    return {CapacityCheck::Result::kOverBudget,
            Clamp32((capacity.Budget() - others) / copies / weight)};
}

void RestoreRecordStreamDefaults(int32_t deviceType, std::span<QwVideoAttr> records) {
    constexpr int32_t kDefaultFrameRate = 25;
    for (size_t i = 0; i < records.size(); ++i) {
        records[i].channel = static_cast<int32_t>(i);
        records[i].resolution = QW_RES_CIF;
        records[i].bit_rate = TableBitRate(deviceType, QW_RES_CIF, VideoQuality::kBest);
        records[i].frame_rate = kDefaultFrameRate;
    }
}

}  // namespace kestrel::client
