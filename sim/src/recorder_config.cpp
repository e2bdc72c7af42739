#include "sim/recorder_config.h"

#include <charconv>

#include "platform/clock.h"
#include "sim/model_identity.h"

#ifndef KESTREL_SIM_MEDIA_DIR
#error "KESTREL_SIM_MEDIA_DIR must name the folder of the checked-in clips"
#endif

namespace kestrel::sim {
namespace {

constexpr size_t kMaxCredentialLength = 32;
constexpr int kMaxChannels = 16;
constexpr int kChannelsOfUnknownModel = 4;
// The name travels in a 64-byte field with its NUL.
constexpr size_t kMaxNetdevNameLength = 63;
constexpr int kMaxRecordingFrames = 100000;
constexpr size_t kDiskSlots = 8;
constexpr uint64_t kGiB = uint64_t{1} << 30;

bool ValidRecordingDay(const RecordingDay& day) {
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return day.year >= 2000 && day.year <= 2255 && day.month >= 1 && day.month <= 12 &&
           day.day >= 1 && day.day <= kDaysInMonth[day.month - 1] &&
           (day.month != 2 || day.day < 29 || (day.year % 4 == 0 && day.year % 100 != 0) ||
            day.year % 400 == 0);
}

// All rights for the administrator; recording (2) and replay (4) for the user.
constexpr uint32_t kAllRightsA = 511;
constexpr uint32_t kAllRightsB = 31;
constexpr uint32_t kUserRightsB = 2 | 4;

}  // namespace

std::vector<UserAccount> RecorderConfig::DefaultUsers() {
    return {UserAccount{"admin", "admin", 11, kAllRightsA, kAllRightsB},
            UserAccount{"user", "user", 9, 0, kUserRightsB}};
}

std::string RecorderConfig::DefaultMediaFolder() {
    return KESTREL_SIM_MEDIA_DIR;
}

std::vector<RecordingDay> RecorderConfig::DefaultRecordingDays() {
    const RecordingDay fixed{2011, 3, 5};
    const platform::LocalTime now = platform::Now();
    const RecordingDay today{now.year, now.month, now.day};
    if (today == fixed || !ValidRecordingDay(today)) {
        return {fixed};
    }
    std::vector<RecordingDay> days{fixed, today};
    // A calendar worth browsing: earlier days of this month and a few of the
    // month before, none in the future.
    for (int back : {2, 5}) {
        if (today.day > back) {
            days.push_back({today.year, today.month, today.day - back});
        }
    }
    const RecordingDay month_before = today.month == 1
                                          ? RecordingDay{today.year - 1, 12, 1}
                                          : RecordingDay{today.year, today.month - 1, 1};
    for (int day : {4, 11, 25}) {
        const RecordingDay earlier{month_before.year, month_before.month, day};
        if (ValidRecordingDay(earlier) && !(earlier == fixed)) {
            days.push_back(earlier);
        }
    }
    return days;
}

std::vector<DiskSlot> RecorderConfig::DefaultDisks() {
    return {DiskSlot{DiskState::kNormal, 500 * kGiB, 120 * kGiB},
            DiskSlot{DiskState::kNormal, 1000 * kGiB, 800 * kGiB}};
}

uint32_t ReportedDeviceType(const RecorderConfig& config) {
    return config.device_type.value_or(uint32_t{config.family} << 8 | config.model);
}

int EffectiveChannelCount(const RecorderConfig& config) {
    if (config.channel_count > 0) {
        return config.channel_count;
    }
    const ModelIdentity* identity = FindModelIdentity(config.family, config.model);
    return identity != nullptr ? identity->channel_count : kChannelsOfUnknownModel;
}

bool IsLoopbackAddress(const std::string& dotted) {
    // Four decimal parts of 0..255, the first 127.
    int parts[4] = {};
    const char* next = dotted.data();
    const char* const end = dotted.data() + dotted.size();
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (next == end || *next != '.') {
                return false;
            }
            ++next;
        }
        if (next == end || *next < '0' || *next > '9') {
            return false;
        }
        const auto [after, error] = std::from_chars(next, end, parts[i]);
        if (error != std::errc() || after == next || after - next > 3 || parts[i] > 255) {
            return false;
        }
        next = after;
    }
    return next == end && parts[0] == 127;
}

std::string CheckConfig(const RecorderConfig& config) {
    if (!config.allow_external && !IsLoopbackAddress(config.bind_address)) {
        return "bind address " + config.bind_address +
               " is outside 127.0.0.0/8 (needs allow_external, --allow-external in kestrel-dvrsim)";
    }
    if (config.channel_count < 0 || config.channel_count > kMaxChannels) {
        return "channel count must be 0 (the model's) or 1.." + std::to_string(kMaxChannels);
    }
    for (const UserAccount& user : config.users) {
        if (user.name.empty() || user.name.size() > kMaxCredentialLength ||
            user.password.size() > kMaxCredentialLength) {
            return "user names must have 1..32 and passwords 0..32 characters: " + user.name;
        }
    }
    if (config.netdev_name.empty() || config.netdev_name.size() > kMaxNetdevNameLength) {
        return "the network device name must have 1.." + std::to_string(kMaxNetdevNameLength) +
               " characters";
    }
    if (config.max_connections < 1 || config.request_timeout_ms < 1) {
        return "connection limit and request time-out must be positive";
    }
    for (const RecordingDay& day : config.recording_days) {
        if (!ValidRecordingDay(day)) {
            return "recording days must be dates of the years 2000..2255";
        }
    }
    if (config.disks.size() > kDiskSlots) {
        return "a recorder has at most " + std::to_string(kDiskSlots) + " disk slots";
    }
    for (const DiskSlot& disk : config.disks) {
        if (disk.free_bytes > disk.total_bytes) {
            return "a disk cannot have more free space than it holds";
        }
    }
    if (config.recording_frames < 1 || config.recording_frames > kMaxRecordingFrames) {
        return "recordings must have 1.." + std::to_string(kMaxRecordingFrames) + " frames";
    }
    return {};
}

}  // namespace kestrel::sim
