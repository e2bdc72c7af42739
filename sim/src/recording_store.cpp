#include "recording_store.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/model_identity.h"

namespace kestrel::sim {
namespace {

constexpr size_t kFrameExtensionSize = 8;  // the frame's index in its file
constexpr size_t kMaxNameLength = 127;     // what a download request carries

struct Slot {
    ClockTime start;
    ClockTime end;
    int32_t kind;
};

// Every channel records the same three spans each day; later slots hold a
// few more frames, so no two files of a channel have the same size.
constexpr std::array<Slot, 3> kSlots{{
    {{8, 0, 0}, {8, 10, 0}, 0},
    {{12, 0, 0}, {12, 5, 0}, 1},
    {{20, 0, 0}, {20, 15, 0}, 0},
}};
constexpr int kExtraFramesPerSlot = 10;

// Names a client must not trust when it builds a local path from them.
constexpr std::array<Slot, 3> kHostileSlots{{
    {{22, 0, 0}, {22, 1, 0}, 0},
    {{22, 10, 0}, {22, 11, 0}, 0},
    {{22, 20, 0}, {22, 21, 0}, 0},
}};

std::string BaseName(int channel, RecordingDay day, ClockTime start) {
    char text[48];
    std::snprintf(text, sizeof text, "ch%02d_%04d%02d%02d_%02d%02d%02d", channel + 1, day.year,
                  day.month, day.day, start.hour, start.minute, start.second);
    return text;
}

std::string HostileName(size_t index, const std::string& base) {
    switch (index) {
        case 0:
            return "../../" + base + ".264";
        case 1:
            return "/tmp/" + base + ".264";
        default: {
            std::string name = base + "_";
            name.append(kMaxNameLength - name.size() - 4, 'x');
            return name + ".264";
        }
    }
}

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

size_t FrameRecordSize(const MediaClip& clip, size_t frame) {
    const size_t unit = clip.AccessUnit(frame % clip.AccessUnitCount()).size();
    return PaddedRecordSize(kVideoHeaderSize + kFrameExtensionSize + unit);
}

uint32_t RecordingSize(const MediaClip& clip, int frames) {
    const size_t units = clip.AccessUnitCount();
    size_t loop = 0;
    for (size_t i = 0; i < units; ++i) {
        loop += FrameRecordSize(clip, i);
    }
    const size_t count = static_cast<size_t>(frames);
    size_t size = kRecordingHeaderSize + count / units * loop;
    for (size_t i = 0; i < count % units; ++i) {
        size += FrameRecordSize(clip, i);
    }
    return static_cast<uint32_t>(size);
}

}  // namespace

RecordingStore::RecordingStore(const RecorderConfig& config, const MediaClip& clip)
    : config_(config), clip_(clip) {
    const int channels = EffectiveChannelCount(config);
    auto add = [&](std::string name, int channel, RecordingDay day, const Slot& slot, int frames) {
        files_.push_back(RecordingFile{std::move(name), channel, slot.kind, day, slot.start,
                                       slot.end, frames, RecordingSize(clip, frames)});
    };
    for (const RecordingDay& day : config.recording_days) {
        for (int channel = 0; channel < channels; ++channel) {
            for (size_t i = 0; i < kSlots.size(); ++i) {
                const int frames =
                    config.recording_frames + static_cast<int>(i) * kExtraFramesPerSlot;
                add(BaseName(channel, day, kSlots[i].start) + ".264", channel, day, kSlots[i],
                    frames);
            }
        }
        if (config.hostile_file_names) {
            for (size_t i = 0; i < kHostileSlots.size(); ++i) {
                add(HostileName(i, BaseName(0, day, kHostileSlots[i].start)), 0, day,
                    kHostileSlots[i], config.recording_frames);
            }
        }
    }
}

std::vector<RecordingFile> RecordingStore::Files(int channel, RecordingDay day) const {
    std::vector<RecordingFile> found;
    for (const RecordingFile& file : files_) {
        if (file.day == day && (channel < 0 || file.channel == channel)) {
            found.push_back(file);
        }
    }
    return found;
}

std::vector<RecordingFile> RecordingStore::Search(RecordingDay day, uint32_t channel_mask,
                                                  int32_t type, int from_second,
                                                  int to_second) const {
    std::vector<RecordingFile> found;
    for (const RecordingFile& file : files_) {
        const bool kind_matches = type == kSearchTypeAll ||
                                  (type == kSearchTypeNormal && file.kind == 0) ||
                                  (type == kSearchTypeAlarm && file.kind == 1);
        if (file.day == day && file.channel < 32 && (channel_mask >> file.channel & 1) != 0 &&
            kind_matches && file.start.Seconds() <= to_second &&
            file.end.Seconds() >= from_second) {
            found.push_back(file);
        }
    }
    return found;
}

uint32_t RecordingStore::DayMask(int year, int month) const {
    uint32_t mask = 0;
    for (const RecordingDay& day : config_.recording_days) {
        if (day.year == year && day.month == month) {
            mask |= uint32_t{1} << (day.day - 1);
        }
    }
    return mask;
}

const RecordingFile* RecordingStore::Find(std::string_view name) const {
    const auto found = std::find_if(files_.begin(), files_.end(),
                                    [&](const RecordingFile& file) { return file.name == name; });
    return found == files_.end() ? nullptr : &*found;
}

std::shared_ptr<const std::vector<uint8_t>> RecordingStore::Bytes(const RecordingFile& file) {
    const RecordingFile* key = Find(file.name);
    if (key == nullptr) {
        return nullptr;
    }
    {
        std::lock_guard lock(cache_lock_);
        const auto hit = std::find_if(cache_.begin(), cache_.end(),
                                      [&](const Cached& cached) { return cached.file == key; });
        if (hit != cache_.end()) {
            cache_.splice(cache_.begin(), cache_, hit);
            return hit->bytes;
        }
    }
    // Built outside the lock: another connection may build the same file at
    // once, which costs time but no correctness.
    auto bytes = std::make_shared<const std::vector<uint8_t>>(Build(*key));
    std::lock_guard lock(cache_lock_);
    cache_.push_front(Cached{key, bytes});
    cached_bytes_ += bytes->size();
    while (cache_.size() > 1 && cached_bytes_ > kCacheByteLimit) {
        cached_bytes_ -= cache_.back().bytes->size();
        cache_.pop_back();
    }
    return bytes;
}

std::vector<uint8_t> RecordingStore::Build(const RecordingFile& file) const {
    RecordingHeaderInfo info;
    info.start = HeaderTime{file.day.year,   file.day.month,    file.day.day,
                            file.start.hour, file.start.minute, file.start.second};
    info.end = HeaderTime{file.day.year, file.day.month,  file.day.day,
                          file.end.hour, file.end.minute, file.end.second};
    info.pal = true;
    if (const ModelIdentity* identity = FindModelIdentity(config_.family, config_.model)) {
        info.model_number = identity->model_number;
        info.model_code = identity->model_code;
    }
    info.channels.push_back(HeaderChannel{file.channel, kFramesPerSecond});
    const auto header = BuildRecordingHeader(info);

    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(file.size);
    // Time stamps count from the file's start, read as UTC.
    const uint64_t start_us =
        static_cast<uint64_t>(DaysFromCivil(file.day.year, file.day.month, file.day.day) * 86400 +
                              file.start.Seconds()) *
        1000000;
    for (int frame = 0; frame < file.frames; ++frame) {
        std::array<uint8_t, kFrameExtensionSize> extension{};
        for (size_t i = 0; i < extension.size(); ++i) {
            extension[i] = static_cast<uint8_t>(static_cast<uint64_t>(frame) >> (8 * i));
        }
        VideoFrame video;
        video.channel = file.channel;
        video.sub_stream = 0;
        video.pts_us = start_us + static_cast<uint64_t>(frame) * kFrameIntervalUs;
        video.extension = extension;
        video.payload = clip_.AccessUnit(static_cast<size_t>(frame) % clip_.AccessUnitCount());
        AppendVideoRecord(bytes, video);
    }
    return bytes;
}

}  // namespace kestrel::sim
