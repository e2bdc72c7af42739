// The simulated recordings: catalog, file layout and configuration checks.
#include <algorithm>
#include <ctime>

#include "sim/media_clip.h"
#include "sim/media_set.h"
#include "sim/model_identity.h"
#include "sim_test_support.h"

namespace kestrel::sim {
namespace {

using sim_test::LE16;
using sim_test::LE32;
using sim_test::LE64;

TEST(Recordings, FileIsAHeaderThenTheClipsFramesFromTheFilesStart) {
    RecorderSim recorder;
    ASSERT_TRUE(recorder.Start()) << recorder.LastError();
    const auto files = recorder.Recordings(1, 2011, 3, 5);
    ASSERT_EQ(files.size(), 3u);
    const RecordingFile& file = files[2];
    EXPECT_EQ(file.kind, 0);
    EXPECT_EQ(file.start.Seconds(), 20 * 3600);
    const std::vector<uint8_t> bytes = recorder.RecordingBytes(file.name);
    ASSERT_EQ(bytes.size(), file.size);

    // Start and end of the file, the model and the one channel record.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 37, bytes.begin() + 49),
              (std::vector<uint8_t>{11, 3, 5, 20, 0, 0, 11, 3, 5, 20, 15, 0}));
    const ModelIdentity* identity = FindModelIdentity(0x96, 0x13);
    ASSERT_NE(identity, nullptr);
    EXPECT_EQ(LE16(bytes, 76), identity->model_number);
    EXPECT_EQ(std::string(bytes.begin() + 80, bytes.begin() + 92), identity->model_code);
    EXPECT_EQ(bytes[100], 2);

    std::string error;
    const auto clip =
        MediaClip::Load(RecorderConfig::DefaultMediaFolder() + "/" + kMainClipFile, &error);
    ASSERT_TRUE(clip) << error;
    std::tm start{};
    start.tm_year = 111;
    start.tm_mon = 2;
    start.tm_mday = 5;
    start.tm_hour = 20;
    const uint64_t start_us = static_cast<uint64_t>(timegm(&start)) * 1000000;
    size_t at = 512;
    int frames = 0;
    while (at + 24 <= bytes.size()) {
        std::span<const uint8_t> record(bytes.data() + at, bytes.size() - at);
        ASSERT_EQ(record[0], '1');
        ASSERT_EQ(record[2], 'd');
        const size_t payload = LE32(record, 8);
        const size_t extension = LE16(record, 12);
        ASSERT_EQ(LE64(record, 16), start_us + static_cast<uint64_t>(frames) * 40000) << frames;
        const auto unit = clip->AccessUnit(static_cast<size_t>(frames) % clip->AccessUnitCount());
        ASSERT_EQ(payload, unit.size());
        ASSERT_TRUE(std::equal(unit.begin(), unit.end(), record.begin() + 24 + extension));
        at += (24 + extension + payload + 7) / 8 * 8;
        ++frames;
    }
    EXPECT_EQ(at, bytes.size());
    EXPECT_EQ(frames, file.frames);
    EXPECT_TRUE(recorder.Recordings(1, 2011, 3, 6).empty());
    EXPECT_TRUE(recorder.RecordingBytes("no_such_file.rec").empty());
}

TEST(Recordings, ConfigurationRefusesImpossibleDaysAndFrameCounts) {
    RecorderConfig config;
    config.recording_days = {{2012, 2, 29}};
    EXPECT_EQ(CheckConfig(config), "");
    config.recording_days = {{2011, 2, 29}};
    EXPECT_NE(CheckConfig(config), "");
    config.recording_days = {{1999, 12, 31}};
    EXPECT_NE(CheckConfig(config), "");
    config.recording_days = {};
    config.recording_frames = 0;
    EXPECT_NE(CheckConfig(config), "");
}

}  // namespace
}  // namespace kestrel::sim
