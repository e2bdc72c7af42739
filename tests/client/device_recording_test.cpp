// Local recording of live simulated channels: the files are checked with
// ffprobe and ffmpeg, the low-disk guard and the 30-minute split through the
// pane controller.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "clip_frames.h"
#include "device_fixture.h"
#include "memory_window.h"
#include "pane_recording.h"
#include "record_names.h"
#include "text_ids.h"

namespace kestrel::client::test {
namespace {

constexpr int kWaitMs = 30000;

struct ProbedStream {
    std::string codec;
    std::string type;
    int width = 0;
    int height = 0;
    long frames = 0;
};

// The streams of a media file as ffprobe reads them (empty when it fails).
std::vector<ProbedStream> Probe(const std::string& file) {
    std::string out;
    if (!RunCommand("ffprobe -v error -count_frames -show_entries "
                    "stream=codec_name,codec_type,width,height,nb_read_frames -of csv=p=0 '" +
                        file + "'",
                    &out)) {
        ADD_FAILURE() << "ffprobe failed on " << file;
        return {};
    }
    std::string warnings;
    RunCommand("ffprobe -v warning -i '" + file + "' 2>&1", &warnings);
    // The demuxer's complaints only: a live recording starts wherever the
    // stream was, so the decoder may report frames before the first key frame.
    EXPECT_EQ(warnings.find("[avi @"), std::string::npos) << file << ": " << warnings;
    std::vector<ProbedStream> streams;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> f;
        std::string field;
        while (std::getline(fields, field, ',')) {
            f.push_back(field);
        }
        ProbedStream s;
        s.codec = f.size() > 0 ? f[0] : "";
        s.type = f.size() > 1 ? f[1] : "";
        if (s.type == "video" && f.size() >= 5) {
            s.width = std::stoi(f[2]);
            s.height = std::stoi(f[3]);
            s.frames = std::stol(f[4]);
        } else if (f.size() >= 3) {
            s.frames = std::stol(f.back());
        }
        streams.push_back(s);
    }
    return streams;
}

// The framemd5 of a file's video, as the clips' reference lists were made.
std::vector<std::string> VideoMd5s(const std::string& file) {
    const std::string list = file + ".framemd5";
    std::string ignored;
    if (!RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -i '" + file +
                        "' -map 0:v -fflags +bitexact -f framemd5 '" + list + "'",
                    &ignored)) {
        ADD_FAILURE() << "ffmpeg failed on " << file;
        return {};
    }
    return media::test::FrameMd5s(list);
}

std::vector<std::string> ClipMd5s() {
    return media::test::FrameMd5s(media::test::MediaFile("clip_cif.framemd5"));
}

// The recording's frames are the clip's frames in order, from the frame the
// recording started with (a start within the stream decodes from the next
// key frame on).
void ExpectClipSequence(const std::vector<std::string>& recorded, size_t count) {
    const std::vector<std::string> clip = ClipMd5s();
    ASSERT_GE(recorded.size(), count);
    ASSERT_FALSE(recorded.empty());
    const auto start = std::find(clip.begin(), clip.end(), recorded[0]);
    ASSERT_NE(start, clip.end()) << "the first recorded frame is no frame of the clip";
    const size_t offset = static_cast<size_t>(start - clip.begin());
    for (size_t i = 0; i < count; ++i) {
        ASSERT_EQ(recorded[i], clip[(offset + i) % clip.size()]) << "frame " << i;
    }
}

class DeviceRecording : public DeviceTest {
protected:
    // Channel 0 plays the sub stream's clip, paced, with its sound.
    void StartChannel() {
        ASSERT_TRUE(OpenDevice());
        ASSERT_EQ(StartLive(window_.Window(), 0), 0);
        ASSERT_EQ(Device().OpenStreamSound(0), 1);
    }
    // Waits until count more pictures than now were shown.
    void WaitForMorePictures(size_t count) {
        const size_t wanted = window_.Count() + count;
        ASSERT_TRUE(window_.WaitForCount(wanted, kWaitMs)) << window_.Count() << " pictures";
    }
    std::string ExpectedFile(const platform::LocalTime& t) {
        return RecordFolder(Context().videoPath, Context().ip, t, 0) + RecordFileName(0, t);
    }

    media::test::MemoryWindow window_;
};

TEST_F(DeviceRecording, LiveChannelRecordsAnAviOfTheFramesSent) {
    StartChannel();
    const platform::LocalTime started = seams_.Now();
    ASSERT_EQ(Device().StartRecord(0), 1);
    EXPECT_TRUE(Device().Recording(0));
    const std::string file = Device().RecordFileName(0);
    EXPECT_EQ(file, ExpectedFile(started));
    WaitForMorePictures(50);
    ASSERT_EQ(Device().StopRecord(0), 1);
    EXPECT_FALSE(Device().Recording(0));

    const std::vector<ProbedStream> streams = Probe(file);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, "h264");
    EXPECT_EQ(streams[0].width, media::test::kCifWidth);
    EXPECT_EQ(streams[0].height, media::test::kCifHeight);
    EXPECT_EQ(streams[1].codec, "pcm_mulaw");
    EXPECT_GT(streams[1].frames, 0);
    const std::vector<std::string> recorded = VideoMd5s(file);
    EXPECT_GE(recorded.size(), 25u);
    EXPECT_EQ(static_cast<long>(recorded.size()), streams[0].frames);
    ExpectClipSequence(recorded, recorded.size());
    EXPECT_FALSE(std::filesystem::exists(RecordIndexFileName(file)));

    const std::string log = LogText();
    EXPECT_NE(log.find("开启录像通道:0\r\n"), std::string::npos);
    EXPECT_NE(log.find("关闭录像通道:0\r\n"), std::string::npos);
}

TEST_F(DeviceRecording, RestartWithinTheSameSecondContinuesTheFile) {
    StartChannel();
    ASSERT_EQ(Device().StartRecord(0), 1);
    const std::string file = Device().RecordFileName(0);
    WaitForMorePictures(25);
    ASSERT_EQ(Device().StopRecord(0), 1);
    const std::vector<std::string> first = VideoMd5s(file);
    ASSERT_FALSE(first.empty());

    // The clock has not moved: the same name, so the file goes on.
    ASSERT_EQ(Device().StartRecord(0), 1);
    EXPECT_EQ(Device().RecordFileName(0), file);
    WaitForMorePictures(25);
    ASSERT_EQ(Device().StopRecord(0), 1);
    const std::vector<ProbedStream> streams = Probe(file);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_GT(streams[0].frames, static_cast<long>(first.size()) + 10);
    const std::vector<std::string> both = VideoMd5s(file);
    ASSERT_GE(both.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(both[i], first[i]) << "the first part changed at frame " << i;
    }
}

TEST_F(DeviceRecording, LowDiskStopsThePaneOnceAndLeavesAValidFile) {
    StartChannel();
    FakePanes panes(Device());
    PaneRecording controller(Context(), panes);
    seams_.freeBytes = kLowDiskBytes + 1;
    ASSERT_TRUE(controller.StartPane(0));
    EXPECT_FALSE(controller.StartPane(0)) << "a recording pane is not started twice";
    const std::string file = Device().RecordFileName(0);
    WaitForMorePictures(50);
    const size_t started = liveView_.Messages().size();  // the start's result
    EXPECT_EQ(liveView_.Take().size(), started) << "one byte above the limit is enough";

    seams_.freeBytes = kLowDiskBytes;
    ASSERT_TRUE(liveView_.WaitForCount(started + 3, kWaitMs)) << "a notice for each block";
    // The live page's message loop.
    for (const PostedMessage& m : liveView_.Take()) {
        ASSERT_EQ(m.message, UM_DISK_SPACE_LOW);
        ASSERT_EQ(m.first, 0);
        controller.OnDiskSpaceLow(static_cast<int>(m.first));
    }
    EXPECT_FALSE(controller.Recording(0));
    EXPECT_FALSE(Device().Recording(0));
    EXPECT_EQ(panes.stopped, std::vector<int>{0});
    ShowPostedTexts();
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0], Context().LoadText(kTextInsufficientDiskSpace));
    for (const PostedMessage& m : liveView_.Take()) {
        controller.OnDiskSpaceLow(static_cast<int>(m.first));
    }
    ShowPostedTexts();
    EXPECT_EQ(ui_.shown.size(), 1u);

    const std::vector<ProbedStream> streams = Probe(file);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].codec, "h264");
    ExpectClipSequence(VideoMd5s(file), static_cast<size_t>(streams[0].frames));
}

TEST_F(DeviceRecording, SplitStartsANewFileNamedByTheNewTime) {
    StartChannel();
    FakePanes panes(Device());
    PaneRecording controller(Context(), panes);
    const platform::LocalTime before = seams_.Now();
    ASSERT_TRUE(controller.StartPane(0));
    const std::string first = Device().RecordFileName(0);
    WaitForMorePictures(50);

    controller.OnSplitTimer(0);
    EXPECT_EQ(seams_.Timers(), std::vector<int>{kRecordSplitPauseMs});
    EXPECT_FALSE(Device().Recording(0)) << "the first file ends before the pause";
    EXPECT_TRUE(controller.Recording(0));
    seams_.RunTimers();
    const platform::LocalTime after = seams_.Now();
    EXPECT_NE(after.second, before.second);
    EXPECT_TRUE(controller.Recording(0));
    const std::string second = Device().RecordFileName(0);
    EXPECT_EQ(first, ExpectedFile(before));
    EXPECT_EQ(second, ExpectedFile(after));
    EXPECT_EQ(panes.started, (std::vector<int>{0, 0}));
    EXPECT_EQ(panes.stopped, std::vector<int>{0});
    WaitForMorePictures(25);
    ASSERT_TRUE(controller.StopPane(0));
    EXPECT_FALSE(controller.StopPane(0));

    for (const std::string& file : {first, second}) {
        SCOPED_TRACE(file);
        const std::vector<ProbedStream> streams = Probe(file);
        ASSERT_EQ(streams.size(), 2u);
        EXPECT_GT(streams[0].frames, 0);
    }
    const std::vector<std::string> firstMd5s = VideoMd5s(first);
    ExpectClipSequence(firstMd5s, firstMd5s.size());
}

}  // namespace
}  // namespace kestrel::client::test
