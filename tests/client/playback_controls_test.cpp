// The REPLAY page's button rules over a real file decoder that plays a
// simulator recording from the local disk, the retry worker's rounds, and
// the local names of downloads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include "device_fixture.h"
#include "memory_window.h"
#include "playback_files.h"
#include "playback_states.h"
#include "retry_worker.h"

namespace kestrel::client::test {
namespace {

constexpr int kWaitMs = 30000;

class PlayControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        sim::RecorderConfig config;
        config.recording_frames = 1000;
        sim::RecorderSim recorder(config);
        ASSERT_TRUE(recorder.Start()) << recorder.LastError();
        const std::vector<uint8_t> bytes =
            recorder.RecordingBytes(recorder.Recordings(0, 2011, 3, 5).at(0).name);
        const std::string path = ScratchFolder("controls") + "recording.264";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        decoder_ = QW_DVR_MEDIA_OpenFileDecoderRP3(path.c_str(), nullptr);
        ASSERT_NE(decoder_, nullptr);
        KmVideoWindow* windows[] = {window_.Window()};
        const int32_t channel = 0;
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(decoder_, windows, 1, &channel, 1, 0), 0);
        controls_.SetDecoder(decoder_);
        controls_.Started();
        ASSERT_TRUE(window_.WaitForCount(5, kWaitMs));
    }
    void TearDown() override {
        if (decoder_ != nullptr) {
            QW_DVR_MEDIA_CloseDecoder(decoder_);
        }
    }
    // Pictures keep coming: the player is not paused.
    bool PicturesFlow() { return window_.WaitForCount(window_.Count() + 10, kWaitMs); }

    media::test::MemoryWindow window_;
    QW_DECODER_HANDLE decoder_ = nullptr;
    PlayControls controls_;
};

TEST_F(PlayControlsTest, FastClimbsToSixteenTimesAndSlowTurnsBackThroughNormalRate) {
    for (const char* label : {"2x", "4x", "8x", "16x"}) {
        EXPECT_EQ(controls_.Fast(true), PlayStatus::kRate);
        EXPECT_EQ(controls_.Label(), label);
    }
    EXPECT_EQ(controls_.State(), kPlayFast);
    EXPECT_EQ(controls_.Fast(true), PlayStatus::kUnchanged);
    EXPECT_EQ(controls_.Label(), "16x");

    // Slow after fast: back to normal rate, then one step down, in one press.
    EXPECT_EQ(controls_.Slow(true), PlayStatus::kRate);
    EXPECT_EQ(controls_.Label(), "x/2");
    EXPECT_EQ(controls_.State(), kPlaySlow);
    for (const char* label : {"x/4", "x/8", "x/16"}) {
        EXPECT_EQ(controls_.Slow(true), PlayStatus::kRate);
        EXPECT_EQ(controls_.Label(), label);
    }
    EXPECT_EQ(controls_.Slow(true), PlayStatus::kUnchanged);
    EXPECT_EQ(controls_.Label(), "x/16");
    EXPECT_EQ(controls_.Fast(false), PlayStatus::kUnchanged) << "nothing plays";
}

TEST_F(PlayControlsTest, AFrameStepPausesAndFastResumesAtTwiceTheRate) {
    EXPECT_EQ(controls_.NextFrame(), PlayStatus::kNextFrame);
    EXPECT_EQ(controls_.State(), kPlayPaused);
    EXPECT_TRUE(controls_.Stepping());
    EXPECT_EQ(controls_.Fast(true), PlayStatus::kRate);
    EXPECT_EQ(controls_.Label(), "2x");
    EXPECT_EQ(controls_.State(), kPlayFast);
    EXPECT_FALSE(controls_.Stepping());
    EXPECT_TRUE(PicturesFlow());
}

TEST_F(PlayControlsTest, PlayFromPauseGoesBackToTheStateBeforeAtNormalRate) {
    ASSERT_EQ(controls_.Fast(true), PlayStatus::kRate);
    EXPECT_EQ(controls_.Pause(), PlayStatus::kPause);
    EXPECT_EQ(controls_.Pause(), PlayStatus::kUnchanged) << "paused already";
    EXPECT_EQ(controls_.Fast(true), PlayStatus::kUnchanged) << "fast does not end a pause";
    EXPECT_EQ(controls_.Resume(), PlayStatus::kRate);
    EXPECT_EQ(controls_.State(), kPlayFast);
    EXPECT_EQ(controls_.Label(), "1x");
    EXPECT_FALSE(controls_.Paused());
    EXPECT_TRUE(PicturesFlow());
    controls_.Stopped();
    EXPECT_EQ(controls_.Pause(), PlayStatus::kUnchanged);
    EXPECT_EQ(controls_.NextFrame(), PlayStatus::kUnchanged);
}

TEST(RetryWorker, ARoundMakesFiveAttemptsAndAStopEndsOneInItsPause) {
    std::atomic<int> quick{0};
    RetryWorker failing([&] { return ++quick, false; }, 1);
    failing.Start();
    ASSERT_TRUE(WaitUntil([&] { return !failing.Running(); }, kWaitMs));
    EXPECT_EQ(quick, RetryWorker::kAttempts);

    std::atomic<int> slow{0};
    RetryWorker waiting([&] { return ++slow, false; });
    waiting.Start();
    ASSERT_TRUE(WaitUntil([&] { return slow == 1; }, kWaitMs));
    waiting.Stop();
    EXPECT_FALSE(waiting.Running());
    waiting.Start();  // refused until armed again
    EXPECT_FALSE(waiting.Running());
    EXPECT_EQ(slow, 1);
}

TEST(DownloadNames, OnlyTheRemoteNamesLastPartNamesTheLocalFile) {
    const std::string folder = "/save.264/IP_127.0.0.1/Download/";
    EXPECT_EQ(DownloadFilePath("/save.264/", "127.0.0.1", "ch01.nvr"), folder + "ch01.avi");
    EXPECT_EQ(DownloadFilePath("/save.264/", "127.0.0.1", "a/b.264.nvr"), folder + "b.avi.avi");
    EXPECT_EQ(DownloadFilePath("/save.264/", "127.0.0.1", "../../x.rec"), folder + "x.rec");
    EXPECT_EQ(DownloadFilePath("/save.264/", "127.0.0.1", "..\\..\\y.rec"), folder + "y.rec");
    for (const char* unusable : {"", "dir/", "..", "a/..", "."}) {
        EXPECT_EQ(DownloadFilePath("/save/", "127.0.0.1", unusable), "") << unusable;
    }
}

}  // namespace
}  // namespace kestrel::client::test
