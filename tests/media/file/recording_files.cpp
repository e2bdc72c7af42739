#include "recording_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/paths.h"
#include "sim/media_clip.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"

namespace file_test {
namespace {

const kestrel::sim::MediaClip& CifClip() {
    static const kestrel::sim::MediaClip clip = [] {
        std::string error;
        auto loaded = kestrel::sim::MediaClip::Load(
            platform::JoinPath(kestrel::sim::RecorderConfig::DefaultMediaFolder(),
                               kestrel::sim::kSubClipFile),
            &error);
        if (!loaded) {
            ADD_FAILURE() << error;
            std::abort();
        }
        return std::move(*loaded);
    }();
    return clip;
}

uint8_t Bcd(int value) {
    return static_cast<uint8_t>((value / 10) << 4 | value % 10);
}

}  // namespace

TempFile::TempFile() {
    static std::atomic<int> counter{0};
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test != nullptr ? test->name() : "x";
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
    path_ = (std::filesystem::temp_directory_path() /
             ("kestrel_file_" + name + "_" + std::to_string(counter++) + ".rec"))
                .string();
    std::filesystem::remove(path_);
}

TempFile::~TempFile() {
    std::error_code error;
    std::filesystem::remove(path_, error);
}

void TempFile::Write(const Bytes& bytes) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path_;
}

void TempFile::Append(const Bytes& bytes) const {
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path_;
}

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        // Lower-case letters only: never a stream digit, so never a marker.
        bytes[i] = static_cast<uint8_t>('a' + (seed * 7 + i * 13) % 26);
    }
    return bytes;
}

kestrel::sim::RecordingHeaderInfo CurrentHeader(uint16_t model_number, const char* model_code) {
    kestrel::sim::RecordingHeaderInfo info;
    info.start = {2024, 3, 14, 8, 0, 0};
    info.end = {2024, 3, 14, 8, 10, 30};
    info.model_number = model_number;
    info.model_code = model_code;
    info.channels.push_back({0, 25});
    return info;
}

Bytes BuildRecording(const RecordingPlan& plan, std::vector<uint64_t>* offsets) {
    const auto header = kestrel::sim::BuildRecordingHeader(plan.header);
    Bytes bytes(header.begin(), header.end());
    const auto& clip = CifClip();
    const Bytes extension = Pattern(8, 3);
    const Bytes tone = Pattern(320, 4);
    for (int n = 0; n < plan.frames; ++n) {
        if (offsets != nullptr) {
            offsets->push_back(bytes.size());
        }
        kestrel::sim::VideoFrame frame;
        frame.channel = plan.channel;
        frame.pts_us = plan.first_pts_us + static_cast<uint64_t>(n) * 40000;
        frame.extension = extension;
        frame.payload = clip.AccessUnit(static_cast<size_t>(n) % clip.AccessUnitCount());
        kestrel::sim::AppendVideoRecord(bytes, frame);
        if (plan.sub_between) {
            frame.sub_stream = 1;
            frame.pts_us += 1;
            kestrel::sim::AppendVideoRecord(bytes, frame);
        }
        if (plan.audio_between) {
            kestrel::sim::AppendMuLawAudioRecord(bytes, plan.channel, tone);
        }
        const Bytes garbage = Pattern(plan.garbage_between, static_cast<uint8_t>(n));
        bytes.insert(bytes.end(), garbage.begin(), garbage.end());
    }
    return bytes;
}

Bytes BuildOldHeader(const OldHeader& header) {
    Bytes bytes(512, 0);
    bytes[132] = header.frame_rate_code;
    bytes[136] = static_cast<uint8_t>(header.video_standard);
    bytes[140] = static_cast<uint8_t>(header.model_number);
    bytes[141] = static_cast<uint8_t>(header.model_number >> 8);
    for (size_t i = 0; i < header.model_code.size() && i < 12; ++i) {
        bytes[144 + i] = static_cast<uint8_t>(header.model_code[i]);
    }
    return bytes;
}

void AppendOldFrame(Bytes& out, const OldFrame& frame) {
    out.push_back(static_cast<uint8_t>(0x30 + frame.channel));
    out.insert(out.end(), frame.kind, frame.kind + 3);
    out.push_back(static_cast<uint8_t>(frame.length));
    out.push_back(static_cast<uint8_t>(frame.length >> 8));
    out.push_back(static_cast<uint8_t>(frame.length >> 16));
    for (int field : {frame.year, frame.month, frame.day, frame.hour, frame.minute, frame.second}) {
        out.push_back(Bcd(field));
    }
    out.insert(out.end(), 3, 0);
    const Bytes payload = Pattern(frame.length, static_cast<uint8_t>(frame.second));
    out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace file_test
