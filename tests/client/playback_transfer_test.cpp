// The REPLAY page's controller against the simulated recorder: playing a
// recording while it streams in, seeking, playing to the end, downloads into
// AVI files checked with ffprobe and ffmpeg, resuming broken and partial
// downloads, and the refusals the operator sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "client_test_support.h"
#include "clip_frames.h"
#include "device_fixture.h"
#include "memory_window.h"
#include "playback_controller.h"
#include "playback_files.h"
#include "record_file_writer.h"
#include "text_ids.h"

namespace kestrel::client::test {
namespace {

constexpr int kWaitMs = 30000;
constexpr uint8_t kCommandDownload = 7;

// The bar as the controller sees it; called on the test's (GUI) thread.
struct RecordingView : PlaybackView {
    void SetPosition(int perMille) override { positions.push_back(perMille); }
    bool PositionHeld() const override { return false; }
    void SetDownloadedExtent(int perMille) override { extents.push_back(perMille); }
    void SetStatusText(const std::string& text) override { status = text; }
    void SetWaitText(const std::string& text) override { wait = text; }
    void SetVolumePosition(int32_t value) override { volume = value; }
    void SetSoundShown(bool) override {}
    void SetWaitCursor(bool) override {}

    std::vector<int> positions;
    std::vector<int> extents;
    std::string status;
    std::string wait;
    int32_t volume = 0;
};

std::vector<std::string> ClipMd5s() {
    return media::test::FrameMd5s(media::test::MediaFile("clip_d1.framemd5"));
}

// "type,codec,frames" of each stream, as ffprobe reads the file.
std::string ProbeStreams(const std::string& file) {
    std::string out;
    EXPECT_TRUE(
        RunCommand("ffprobe -v error -count_frames -show_entries "
                   "stream=codec_type,codec_name,nb_read_frames -of csv=p=0 '" +
                       file + "'",
                   &out))
        << file;
    return out;
}

std::vector<std::string> VideoMd5s(const std::string& file) {
    std::string out;
    EXPECT_TRUE(RunCommand(
        "ffmpeg -nostdin -v error -i '" + file + "' -map 0:v -fflags +bitexact -f framemd5 -",
        &out));
    std::vector<std::string> md5s;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line[0] != '#') {
            const size_t md5 = line.find_first_not_of(' ', line.rfind(',') + 1);
            md5s.push_back(line.substr(md5));
        }
    }
    return md5s;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class PlaybackTest : public DeviceTest {
protected:
    void Open(sim::RecorderConfig config = {}) {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        ASSERT_TRUE(OpenDevice(std::move(config)));
        Context().filePath = folders_.UnderRoot("save/");
        Context().pages.Register(PageId::kPlaybackController, &bar_);
        Context().pages.Register(PageId::kFileListPane, &fileList_);
        controller_ = std::make_unique<PlaybackController>(Context(), view_);
        controller_->SetTarget(window_.Window());
    }
    void TearDown() override {
        controller_.reset();
        DeviceTest::TearDown();
    }
    // The GUI loop's share: what was posted to the bar, and message boxes.
    void Pump() {
        for (const PostedMessage& m : bar_.Take()) {
            controller_->OnMessage(m.message, m.first, m.second);
        }
        ShowPostedTexts();
    }
    template <typename Predicate>
    bool PumpUntil(Predicate done, int timeoutMs = kWaitMs) {
        return WaitUntil(
            [&] {
                Pump();
                return done();
            },
            timeoutMs);
    }
    sim::RecordingFile Recording(int channel) {
        return Recorder().Recordings(channel, 2011, 3, 5).at(0);
    }
    std::string LocalFile(const sim::RecordingFile& file) {
        return DownloadFilePath(Context().filePath, Context().ip, file.name);
    }
    int Download(const sim::RecordingFile& file) {
        return controller_->Download(file.name, file.channel, file.size);
    }
    bool Shown(int textId) {
        const std::string text = Context().LoadText(textId);
        return std::find(ui_.shown.begin(), ui_.shown.end(), text) != ui_.shown.end();
    }
    std::vector<PostedMessage> ToFileList(uint32_t message) {
        std::vector<PostedMessage> found;
        for (const PostedMessage& m : fileList_.Messages()) {
            if (m.message == message) {
                found.push_back(m);
            }
        }
        return found;
    }
    size_t DownloadRequests() {
        size_t count = 0;
        for (const sim::ObservedRequest& r : Recorder().Observed().Requests()) {
            count += r.command == kCommandDownload ? 1 : 0;
        }
        return count;
    }
    // Downloads until the file list hears of the end; the saved file's name.
    void DownloadToTheEnd(const sim::RecordingFile& file) {
        const size_t ends = ToFileList(UM_DOWNLOAD_STATE).size() + 2;
        ASSERT_EQ(Download(file), 1);
        ASSERT_TRUE(PumpUntil([&] {
            return ToFileList(UM_DOWNLOAD_STATE).size() >= ends && !controller_->Transferring();
        }));
        EXPECT_EQ(ToFileList(UM_DOWNLOAD_STATE).back().second, 0);
        EXPECT_FALSE(std::filesystem::exists(LocalFile(file) + ".indx")) << "told before whole";
        ASSERT_TRUE(PumpUntil([&] { return controller_->LocalPath().empty(); }));
        Pump();
    }

    client_test::TestFolders folders_;
    RecordingPage bar_;
    RecordingPage fileList_;
    RecordingView view_;
    media::test::MemoryWindow window_;
    std::unique_ptr<PlaybackController> controller_;
};

TEST_F(PlaybackTest, PlayShowsTheRecordingWhileItStreamsAndSeeksOnlyWithinWhatArrived) {
    sim::RecorderConfig config;
    config.recording_frames = 4500;  // three minutes
    config.download_rate_limit = 300000;  // the transfer outlasts a slow decoder
    Open(config);
    // Channel 2's file: its pictures belong in the one target window too.
    const sim::RecordingFile file = Recording(1);
    ASSERT_EQ(controller_->Play(file.name, file.channel, file.size), 1);
    EXPECT_EQ(view_.status, "1x");

    ASSERT_TRUE(PumpUntil([&] { return window_.Count() >= 50; }));
    EXPECT_TRUE(controller_->Transferring()) << "pictures before the whole file arrived";
    const std::vector<std::string> clip = ClipMd5s();
    const auto pictures = window_.Pictures();
    for (size_t i = 0; i < 50; ++i) {
        ASSERT_EQ(pictures[i].md5_yuv420, clip[i % clip.size()]) << "picture " << i;
    }
    ASSERT_TRUE(PumpUntil([&] { return controller_->DownloadProgress() >= 300; }));
    EXPECT_TRUE(std::is_sorted(view_.extents.begin(), view_.extents.end()));
    EXPECT_LT(view_.extents.back(), 1000);

    // Past what arrived: playback goes on from where it was.
    const int before = view_.positions.back();
    controller_->Seek(controller_->DownloadProgress() + 100);
    const size_t shown = window_.Count();
    ASSERT_TRUE(PumpUntil([&] { return window_.Count() >= shown + 10; }));
    EXPECT_LT(view_.positions.back(), before + 50);

    // Within it: the position moves there.
    const int target = controller_->DownloadProgress() - 20;
    ASSERT_GT(target, before + 50);
    controller_->Seek(target);
    EXPECT_TRUE(PumpUntil([&] { return view_.positions.back() >= target; }));

    controller_->StopButton();
    EXPECT_EQ(view_.status, Context().LoadText(kTextStop));
    EXPECT_FALSE(controller_->Transferring());
    EXPECT_EQ(ToFileList(UM_PLAYBACK_STATE).back().first, kPlaybackStopped);
}

TEST_F(PlaybackTest, PlaybackStopsAtTheEndAndTheNextOneShowsPicturesAgain) {
    Open();
    const sim::RecordingFile file = Recording(0);
    ASSERT_EQ(controller_->Play(file.name, file.channel, file.size), 1);
    ASSERT_TRUE(PumpUntil([&] { return controller_->State() == kPlayStopped; }));
    Pump();
    EXPECT_GT(window_.Count(), 0u);
    EXPECT_EQ(ToFileList(UM_PLAYBACK_STATE).size(), 1u);
    EXPECT_EQ(controller_->DownloadProgress(), 0);

    // The play button starts the same recording again on the kept decoder.
    controller_->PlayButton();
    const size_t before = window_.Count();
    EXPECT_TRUE(PumpUntil([&] { return window_.Count() >= before + 10; }));
    EXPECT_EQ(controller_->State(), kPlayPlaying);
}

TEST_F(PlaybackTest, PlaybackAtTheEdgeOfWhatArrivedWaitsForData) {
    sim::RecorderConfig config;
    config.recording_frames = 1500;
    config.download_rate_limit = 60000;
    Open(config);
    const sim::RecordingFile file = Recording(0);
    ASSERT_EQ(controller_->Play(file.name, file.channel, file.size), 1);
    ASSERT_TRUE(PumpUntil([&] { return controller_->DownloadProgress() >= 100; }));
    controller_->Seek(controller_->DownloadProgress() - 2);
    const std::string waiting = Context().LoadText(kTextWaitingForDownload);
    ASSERT_TRUE(PumpUntil([&] { return view_.wait == waiting; }));
    EXPECT_TRUE(PumpUntil([&] { return view_.wait.empty(); })) << "resumed as data came";
}

TEST_F(PlaybackTest, DownloadContinuesAPartialFileIntoTheRecordingsAviAndNotAgain) {
    Open();
    const sim::RecordingFile file = Recording(0);
    const std::vector<uint8_t> bytes = Recorder().RecordingBytes(file.name);
    // A file left by an earlier download that ended at 60000 bytes.
    std::filesystem::create_directories(std::filesystem::path(LocalFile(file)).parent_path());
    int32_t kept = 0;
    {
        RecordFileWriter partial;
        ASSERT_TRUE(partial.Open(LocalFile(file), file.channel));
        partial.Write(bytes.data(), 60000);
        kept = partial.StreamPosition();  // the whole records among them
    }

    ASSERT_NO_FATAL_FAILURE(DownloadToTheEnd(file));
    ASSERT_EQ(Recorder().Observed().Downloads().size(), 1u);
    EXPECT_EQ(Recorder().Observed().Downloads()[0].offset, static_cast<uint32_t>(kept));
    EXPECT_GT(kept, 50000);
    EXPECT_EQ(ui_.shown.back(), Context().LoadText(kTextSavePath) + ": " + LocalFile(file) + " ");
    EXPECT_FALSE(std::filesystem::exists(LocalFile(file) + ".indx"));
    EXPECT_EQ(ProbeStreams(LocalFile(file)), "h264,video," + std::to_string(file.frames) + "\n");
    const std::vector<std::string> clip = ClipMd5s();
    const std::vector<std::string> video = VideoMd5s(LocalFile(file));
    ASSERT_EQ(video.size(), static_cast<size_t>(file.frames));
    for (size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i], clip[i % clip.size()]) << "frame " << i;
    }

    // Complete already: nothing is asked of the recorder.
    const size_t requests = DownloadRequests();
    EXPECT_EQ(Download(file), 0);
    EXPECT_EQ(DownloadRequests(), requests);
    EXPECT_EQ(ProbeStreams(LocalFile(file)), "h264,video," + std::to_string(file.frames) + "\n");
}

TEST_F(PlaybackTest, ABrokenDownloadResumesByItselfAndEqualsAnUnbrokenOne) {
    sim::RecorderConfig config;
    config.faults.drop_download_after_bytes = 40000;
    config.faults.drop_download_count = 1;
    Open(config);
    const sim::RecordingFile file = Recording(0);
    ASSERT_NO_FATAL_FAILURE(DownloadToTheEnd(file));
    const auto served = Recorder().Observed().Downloads();
    ASSERT_EQ(served.size(), 2u);
    EXPECT_FALSE(served[0].completed);
    EXPECT_EQ(served[1].offset, 40000u);
    EXPECT_TRUE(served[1].completed);
    const std::vector<uint8_t> resumed = ReadBytes(LocalFile(file));

    Context().filePath = folders_.UnderRoot("unbroken/");
    ASSERT_NO_FATAL_FAILURE(DownloadToTheEnd(file));
    EXPECT_EQ(Recorder().Observed().Downloads().back().offset, 0u);
    const std::vector<uint8_t> unbroken = ReadBytes(LocalFile(file));
    ASSERT_FALSE(unbroken.empty());
    EXPECT_TRUE(resumed == unbroken);
}

TEST_F(PlaybackTest, WhatARunningDownloadRefusesAndClosingThePageInItsMiddle) {
    sim::RecorderConfig config;
    config.recording_frames = 1000;
    config.download_rate_limit = 100000;
    Open(config);
    const sim::RecordingFile file = Recording(0);
    // Not room enough for the file and the spare 500 MiB.
    seams_.freeBytes = kSpareDiskBytes + file.size;
    EXPECT_EQ(Download(file), 0);
    Pump();
    EXPECT_TRUE(Shown(kTextInsufficientDiskSpace));
    seams_.freeBytes = kSpareDiskBytes + file.size + 1;

    ASSERT_EQ(Download(file), 1);
    ASSERT_TRUE(PumpUntil([&] { return controller_->DownloadProgress() >= 30; }));
    EXPECT_EQ(controller_->Play(Recording(1).name, 1, Recording(1).size), 0);
    Pump();
    EXPECT_TRUE(Shown(kTextOtherUserDownloading));
    ui_.shown.clear();
    controller_->PlayButton();
    EXPECT_EQ(Download(Recording(1)), 0);
    Pump();
    EXPECT_EQ(ui_.shown, std::vector<std::string>{Context().LoadText(kTextOtherUserDownloading)});
    EXPECT_TRUE(controller_->Transferring()) << "the download goes on";

    controller_->Close();
    EXPECT_FALSE(controller_->Transferring());
    EXPECT_EQ(ToFileList(UM_PLAYBACK_STATE).at(0).first, kDownloadStopped);
    // The part that arrived is a finished AVI a later download continues.
    EXPECT_FALSE(std::filesystem::exists(LocalFile(file) + ".indx"));
    EXPECT_EQ(ProbeStreams(LocalFile(file)).rfind("h264,video,", 0), 0u);
}

TEST_F(PlaybackTest, FilesThatCannotBeMadeStartNothing) {
    Open();
    std::filesystem::create_directories(PlaybackTempFile());  // a folder in its place
    const sim::RecordingFile file = Recording(0);
    controller_->Play(file.name, file.channel, file.size);
    Pump();
    EXPECT_TRUE(Shown(kTextCreateFileFailed));
    EXPECT_FALSE(controller_->Transferring());
    EXPECT_FALSE(controller_->Playing());

    // A download file that cannot be opened, and no save folder at all
    // (which would put the file wherever the program runs).
    ui_.shown.clear();
    std::filesystem::create_directories(LocalFile(file));
    EXPECT_EQ(Download(file), 0);
    Pump();
    EXPECT_TRUE(Shown(kTextCreateFileFailed));
    ui_.shown.clear();
    Context().filePath.clear();
    EXPECT_EQ(Download(Recording(1)), 0);
    Pump();
    EXPECT_TRUE(Shown(kTextCreateFileFailed));
    EXPECT_FALSE(controller_->Transferring());
    EXPECT_EQ(DownloadRequests(), 0u);
}

struct Refusal {
    int32_t code;
    int textId;
};

class RefusedDownload : public PlaybackTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedDownload, ShowsItsTextAndEndsTheDownloadForTheFileList) {
    sim::RecorderConfig config;
    config.faults.refuse_download_code = GetParam().code;
    Open(config);
    EXPECT_EQ(Download(Recording(0)), 1);
    Pump();
    EXPECT_EQ(ui_.shown, std::vector<std::string>{Context().LoadText(GetParam().textId)});
    const auto states = ToFileList(UM_DOWNLOAD_STATE);
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].second, 1);
    EXPECT_EQ(states[1].second, 0);
    EXPECT_FALSE(controller_->Transferring());
    EXPECT_TRUE(controller_->LocalPath().empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, RefusedDownload,
                         ::testing::Values(Refusal{static_cast<int32_t>(0x80F00003),
                                                   kTextOtherUserConfiguring},
                                           Refusal{0x00020016, kTextOtherUserDownloading},
                                           Refusal{0x00020099, kTextDownloadRefused}));

}  // namespace
}  // namespace kestrel::client::test
