// File playback through the exports: recordings built with the simulator's
// record builders, played into a memory window, with the play-info codes,
// rate, positioning, single steps and a file that grows while it plays.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "memory_window.h"
#include "recording_files.h"

namespace kestrel::media {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaitMs = 30000;  // generous: sanitizer builds on a loaded machine

// Every play-info notification, in arrival order.
class PlayInfoLog {
public:
    static int32_t OnInfo(void* user, const QwPlayInfo* info) {
        auto* log = static_cast<PlayInfoLog*>(user);
        std::lock_guard lock(log->mutex_);
        log->codes_.emplace_back(info->code, info->value);
        if (info->code == QW_PLAYINFO_START_TIME || info->code == QW_PLAYINFO_END_TIME) {
            log->times_.push_back(*reinterpret_cast<const QwMediaTime*>(info->value));
        }
        log->changed_.notify_all();
        if (log->throw_on_first_read_ && info->code == QW_PLAYINFO_READ) {
            log->throw_on_first_read_ = false;
            throw std::runtime_error("a careless caller");
        }
        return 0;
    }
    std::vector<std::pair<int32_t, intptr_t>> Codes() const {
        std::lock_guard lock(mutex_);
        return codes_;
    }
    std::vector<QwMediaTime> Times() const {
        std::lock_guard lock(mutex_);
        return times_;
    }
    bool WaitFor(int32_t code, intptr_t value, int timeout_ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] {
            return std::find(codes_.begin(), codes_.end(), std::make_pair(code, value)) !=
                   codes_.end();
        });
    }
    void ThrowOnFirstRead() {
        std::lock_guard lock(mutex_);
        throw_on_first_read_ = true;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<int32_t, intptr_t>> codes_;
    std::vector<QwMediaTime> times_;
    bool throw_on_first_read_ = false;
};

size_t IndexOf(const std::vector<std::pair<int32_t, intptr_t>>& codes, int32_t code) {
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i].first == code) {
            return i;
        }
    }
    return codes.size();
}

std::vector<std::string> CifMd5s() {
    return test::FrameMd5s(test::MediaFile("clip_cif.framemd5"));
}

// A recording of the recorder model the simulator plays (type 0x01000207).
file_test::RecordingPlan Plan(int frames) {
    file_test::RecordingPlan plan;
    plan.header = file_test::CurrentHeader(0x9613, "KSR9613-08CH");
    plan.header.start = {2026, 12, 8, 10, 0, 0};
    plan.header.end = {2026, 12, 8, 10, 0, 4};
    plan.frames = frames;
    plan.audio_between = true;
    return plan;
}

class FilePlayback : public ::testing::Test {
protected:
    void Open(const file_test::Bytes& bytes) {
        file_.Write(bytes);
        handle_ = QW_DVR_MEDIA_OpenFileDecoderRP3(file_.path().c_str(), nullptr);
        ASSERT_NE(handle_, nullptr);
        ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle_, &log_, PlayInfoLog::OnInfo), 0);
    }
    int32_t Start() {
        KmVideoWindow* windows[] = {window_.Window()};
        const int32_t channel = 0;
        return QW_DVR_MEDIA_StartPlay(handle_, windows, 1, &channel, 1, 0);
    }
    void TearDown() override {
        if (handle_ != nullptr) {
            QW_DVR_MEDIA_StopPlay(handle_, 0);
            EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle_), 0);
        }
    }
    // Waits until `count` pictures more than `seen` were shown, then for the
    // window to stay quiet for a moment (a step shows exactly one).
    bool WaitForPictures(size_t count) { return window_.WaitForCount(count, kWaitMs); }
    std::string Md5At(size_t index) { return window_.Pictures().at(index).md5_yuv420; }

    file_test::TempFile file_;
    QW_DECODER_HANDLE handle_ = nullptr;
    PlayInfoLog log_;
    test::MemoryWindow window_;
};

TEST_F(FilePlayback, ARecordingPlaysEveryFrameInOrderWithItsPlayInfo) {
    const std::vector<std::string> md5s = CifMd5s();
    ASSERT_EQ(md5s.size(), 100u);
    Open(file_test::BuildRecording(Plan(100)));
    log_.ThrowOnFirstRead();  // loses that one notification, nothing else
    ASSERT_EQ(Start(), 0);
    EXPECT_EQ(Start(), QW_MEDIA_ERR_ALREADY_OPEN);
    ASSERT_TRUE(WaitForPictures(100));
    ASSERT_TRUE(log_.WaitFor(QW_PLAYINFO_END, 0, kWaitMs));
    const auto pictures = window_.Pictures();
    for (size_t i = 0; i < 100; ++i) {
        ASSERT_EQ(pictures[i].md5_yuv420, md5s[i]) << "picture " << i;
    }

    const auto codes = log_.Codes();
    const size_t mask = IndexOf(codes, QW_PLAYINFO_CHANNEL_MASK);
    const size_t first = IndexOf(codes, QW_PLAYINFO_FIRST_FRAME);
    const size_t total = IndexOf(codes, QW_PLAYINFO_TOTAL_LENGTH);
    const size_t started = IndexOf(codes, QW_PLAYINFO_STARTED);
    const size_t read = IndexOf(codes, QW_PLAYINFO_READ);
    const size_t end = IndexOf(codes, QW_PLAYINFO_END);
    ASSERT_LT(end, codes.size());
    EXPECT_LT(mask, first);
    EXPECT_LT(first, total);
    EXPECT_LT(total, started);
    EXPECT_LT(started, end);
    EXPECT_LT(read, end);
    EXPECT_EQ(codes[mask].second, 1) << "channel 1 only";
    EXPECT_EQ(codes[first].second, 512);
    EXPECT_EQ(static_cast<size_t>(codes[total].second),
              file_test::BuildRecording(Plan(100)).size());
    intptr_t last_read = 0;
    for (const auto& [code, value] : codes) {
        if (code == QW_PLAYINFO_READ) {
            EXPECT_GT(value, last_read) << "read positions rise";
            last_read = value;
        }
    }
    EXPECT_EQ(static_cast<size_t>(last_read), file_test::BuildRecording(Plan(100)).size());
    const auto times = log_.Times();
    ASSERT_EQ(times.size(), 2u);
    EXPECT_EQ(times[0].year, 26);
    EXPECT_EQ(times[0].hour, 10);
    EXPECT_EQ(times[1].second, 4);
}

TEST_F(FilePlayback, RateDirectionAndIntervalResults) {
    Open(file_test::BuildRecording(Plan(20)));
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(handle_, 5), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(handle_, 2), 1) << "time-stamped types answer 1";
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(handle_, 0), 1);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetDirection(handle_, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetFrameInterval(handle_, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetFrameInterval(handle_, 20001), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetFrameInterval(handle_, 40), 0);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(handle_, 0, nullptr, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(handle_, 1), 1);
    EXPECT_EQ(QW_DVR_MEDIA_SetMute(handle_, 0, 1), QW_MEDIA_ERR_NOT_AVAILABLE);
}

TEST_F(FilePlayback, HigherRatesPlayFaster) {
    // 50 frames: 2 s at rate 0, 0.5 s at rate 2, 0.25 s at rate 3.
    Open(file_test::BuildRecording(Plan(50)));
    std::vector<double> seconds;
    for (int rate : {0, 2, 3}) {
        QW_DVR_MEDIA_StopPlay(handle_, 0);
        ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle_, &log_, PlayInfoLog::OnInfo), 0);
        const size_t before = window_.Count();
        ASSERT_EQ(Start(), 0);
        QW_DVR_MEDIA_PCSetRate(handle_, rate);
        const auto start = Clock::now();
        ASSERT_TRUE(WaitForPictures(before + 50));
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    // Rate 0 is held to its pacing; the fast rates only need to beat it
    // clearly (nominally 4x and 8x), with room left for a loaded machine.
    EXPECT_GT(seconds[0], 1.0) << "rate 0 plays in real time";
    EXPECT_LT(seconds[1], seconds[0] * 0.8);
    EXPECT_LT(seconds[2], seconds[0] * 0.8);
}

TEST_F(FilePlayback, ByteAndFramePositionsShowTheFrameFromThere) {
    const std::vector<std::string> md5s = CifMd5s();
    std::vector<uint64_t> offsets;
    const file_test::Bytes bytes = file_test::BuildRecording(Plan(100), &offsets);
    Open(bytes);
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(3));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);  // returns with the last picture shown
    // A byte position inside frame 59's record: the next frame shown is 60.
    size_t shown = window_.Count();
    ASSERT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, static_cast<int32_t>(offsets[59] + 30), nullptr,
                                    QW_MEDIA_POS_BYTES, 0),
              0);
    ASSERT_TRUE(WaitForPictures(shown + 1));
    EXPECT_EQ(Md5At(shown), md5s[60]);
    // Thirty frames from the start.
    shown = window_.Count();
    ASSERT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 30, nullptr, QW_MEDIA_POS_FRAMES, 0), 0);
    ASSERT_TRUE(WaitForPictures(shown + 1));
    EXPECT_EQ(Md5At(shown), md5s[30]);

    const int32_t size = static_cast<int32_t>(bytes.size());
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, -5, nullptr, 0, 0), QW_MEDIA_ERR_SEEK_DIRECTION);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, size + 1, nullptr, 0, 0), QW_MEDIA_ERR_FAILED);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, nullptr, 0, 1), QW_MEDIA_ERR_NOTHING_TO_DO);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, -size - 1, nullptr, 0, 1), QW_MEDIA_ERR_SEEK_RANGE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 5, nullptr, 0, 2), QW_MEDIA_ERR_SEEK_DIRECTION);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, -size - 1, nullptr, 0, 2), QW_MEDIA_ERR_SEEK_RANGE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, nullptr, 0, 7), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, nullptr, 9, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 1000, nullptr, QW_MEDIA_POS_FRAMES, 0),
              QW_MEDIA_ERR_FAILED)
        << "fewer frames than asked";
    const QwMediaTime time{26, 12, 8, 10, 0, 2};
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, &time, QW_MEDIA_POS_TIME, 0),
              QW_MEDIA_ERR_NOT_AVAILABLE)
        << "this type does not seek by time";
}

TEST_F(FilePlayback, TimePositionsOnTheTypesThatHaveThem) {
    const std::vector<std::string> md5s = CifMd5s();
    file_test::RecordingPlan plan = Plan(100);                       // 4 s from 10:00:00
    plan.header = file_test::CurrentHeader(0x2102, "KSR2102-04CH");  // type 0x01000202
    plan.header.start = {2026, 12, 8, 10, 0, 0};
    plan.header.end = {2026, 12, 8, 10, 0, 4};
    Open(file_test::BuildRecording(plan));
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(2));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);  // returns with the last picture shown
    const QwMediaTime inside{26, 12, 8, 10, 0, 3};
    const size_t shown = window_.Count();
    ASSERT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, &inside, QW_MEDIA_POS_TIME, 0), 0);
    ASSERT_TRUE(WaitForPictures(shown + 1));
    const std::string md5 = Md5At(shown);
    const auto at = std::find(md5s.begin(), md5s.end(), md5);
    ASSERT_NE(at, md5s.end());
    EXPECT_GE(at - md5s.begin(), 25) << "within 2 s of second 3";
    const QwMediaTime outside{26, 12, 8, 10, 0, 9};
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(handle_, 0, &outside, QW_MEDIA_POS_TIME, 0),
              QW_MEDIA_ERR_FAILED);
}

TEST_F(FilePlayback, StepsShowOneFrameEachAndPlaybackGoesOn) {
    const std::vector<std::string> md5s = CifMd5s();
    Open(file_test::BuildRecording(Plan(100)));
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(5));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);
    size_t shown = window_.Count();
    const auto index_of = [&](size_t picture) {
        return std::find(md5s.begin(), md5s.end(), Md5At(picture)) - md5s.begin();
    };
    const auto paused_at = index_of(shown - 1);
    for (int step = 1; step <= 3; ++step) {
        ASSERT_EQ(QW_DVR_MEDIA_PCNextFrame(handle_), 0);
        ASSERT_TRUE(WaitForPictures(shown + 1));
        ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);  // the step has ended
        ASSERT_EQ(window_.Count(), shown + 1) << "one picture per step";
        EXPECT_EQ(index_of(shown), paused_at + step);
        ++shown;
    }
    ASSERT_EQ(QW_DVR_MEDIA_PCPrevFrame(handle_), 0);
    ASSERT_TRUE(WaitForPictures(shown + 1));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);
    ASSERT_EQ(window_.Count(), shown + 1);
    EXPECT_EQ(index_of(shown), paused_at + 2) << "the frame before";
    ++shown;
    ASSERT_EQ(QW_DVR_MEDIA_PCPrevFrame(handle_), 0);
    ASSERT_TRUE(WaitForPictures(shown + 1));
    EXPECT_EQ(index_of(shown), paused_at + 1);
    ++shown;
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 0), 0);
    ASSERT_TRUE(WaitForPictures(shown + 5)) << "resume plays on";
}

TEST_F(FilePlayback, AStoppedHandlePlaysAgainFromTheStart) {
    const std::vector<std::string> md5s = CifMd5s();
    Open(file_test::BuildRecording(Plan(60)));
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(10));
    ASSERT_EQ(QW_DVR_MEDIA_StopPlay(handle_, 0), 0);
    ASSERT_TRUE(log_.WaitFor(QW_PLAYINFO_END, 0, kWaitMs));
    PlayInfoLog second;
    ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle_, &second, PlayInfoLog::OnInfo), 0);
    const size_t before = window_.Count();
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(before + 3));
    EXPECT_EQ(Md5At(before), md5s[0]);
    EXPECT_TRUE(second.WaitFor(QW_PLAYINFO_STARTED, 0, kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_StopPlay(handle_, 0), 0);
    EXPECT_TRUE(second.WaitFor(QW_PLAYINFO_END, 0, 0)) << "delivered before StopPlay returned";
}

TEST(FilePlaybackOpen, UnreadableFilesGiveNoHandle) {
    file_test::TempFile small;
    small.Write(file_test::Bytes(100, 0));
    EXPECT_EQ(QW_DVR_MEDIA_OpenFileDecoderRP3(small.path().c_str(), nullptr), nullptr);
    file_test::TempFile unknown;
    unknown.Write(file_test::Bytes(4096, 0));
    EXPECT_EQ(QW_DVR_MEDIA_OpenFileDecoderRP3(unknown.path().c_str(), nullptr), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenFileDecoderRP3("abc", nullptr), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenFileDecoderRP3("/no/such/file.rec", nullptr), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenFileDecoderRP3(nullptr, nullptr), nullptr);
}

// A download in progress: the first bytes of a recording on disk, played
// from a handle opened as remote.
class FilePlaybackGrowing : public ::testing::Test {
protected:
    // Records padded with filler so 2,000,000 bytes are about 95 frames.
    static file_test::Bytes PaddedRecording() {
        file_test::RecordingPlan plan = Plan(400);
        plan.garbage_between = 20000;
        return file_test::BuildRecording(plan);
    }

    void StartDownload(file_test::Bytes recording, size_t written) {
        bytes = std::move(recording);
        file.Write(file_test::Bytes(bytes.begin(), bytes.begin() + written));
        handle = QW_DVR_MEDIA_OpenFileDecoderRP3(file.path().c_str(), "remote");
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle, &log, PlayInfoLog::OnInfo), 0);
        KmVideoWindow* windows[] = {window.Window()};
        const int32_t channel = 0;
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle, windows, 1, &channel, 1, 0), 0);
    }

    file_test::Bytes bytes;
    file_test::TempFile file;
    QW_DECODER_HANDLE handle = nullptr;
    PlayInfoLog log;
    test::MemoryWindow window;
};

TEST_F(FilePlaybackGrowing, PausesForTheDownloadAndResumesByItself) {
    ASSERT_NO_FATAL_FAILURE(StartDownload(PaddedRecording(), 2'000'000));
    ASSERT_GT(bytes.size(), 2'400'000u);
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(handle, 10'000'000, "remote"), 0);
    ASSERT_TRUE(window.WaitForCount(1, kWaitMs)) << "the open thread started playback";
    QW_DVR_MEDIA_PCSetRate(handle, 3);
    ASSERT_TRUE(log.WaitFor(QW_PLAYINFO_BUFFERING, 0, kWaitMs));
    const auto codes = log.Codes();
    EXPECT_LT(IndexOf(codes, QW_PLAYINFO_NO_DATA), IndexOf(codes, QW_PLAYINFO_BUFFERING));
    EXPECT_FALSE(log.WaitFor(QW_PLAYINFO_BUFFERING, 1, 300)) << "not resumed without data";

    file.Append(file_test::Bytes(bytes.begin() + 2'000'000, bytes.begin() + 2'314'573));
    ASSERT_TRUE(log.WaitFor(QW_PLAYINFO_BUFFERING, 1, kWaitMs));
    const size_t shown = window.Count();
    EXPECT_TRUE(window.WaitForCount(shown + 3, kWaitMs)) << "playback resumed";
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
}

TEST_F(FilePlaybackGrowing, APauseMadeWhileBufferingOutlastsTheResume) {
    ASSERT_NO_FATAL_FAILURE(StartDownload(PaddedRecording(), 2'000'000));
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(handle, 10'000'000, "remote"), 0);
    ASSERT_TRUE(window.WaitForCount(1, kWaitMs));
    QW_DVR_MEDIA_PCSetRate(handle, 3);
    ASSERT_TRUE(log.WaitFor(QW_PLAYINFO_BUFFERING, 0, kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle, 1), 0);
    const size_t paused_at = window.Count();

    file.Append(file_test::Bytes(bytes.begin() + 2'000'000, bytes.end()));
    ASSERT_TRUE(log.WaitFor(QW_PLAYINFO_BUFFERING, 1, kWaitMs));
    // The read pass that resumed has ended once the length can be set again,
    // and what it queued is delivered before a later handle's first codes.
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(handle, 10'000'000, "remote"), 0);
    file_test::TempFile marker_file;
    marker_file.Write(file_test::BuildRecording(Plan(5)));
    QW_DECODER_HANDLE marker = QW_DVR_MEDIA_OpenFileDecoderRP3(marker_file.path().c_str(), nullptr);
    ASSERT_NE(marker, nullptr);
    PlayInfoLog marker_log;
    ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(marker, &marker_log, PlayInfoLog::OnInfo), 0);
    ASSERT_TRUE(marker_log.WaitFor(QW_PLAYINFO_CHANNEL_MASK, 1, kWaitMs));
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(marker), 0);
    const auto codes = log.Codes();
    const auto resumed =
        std::find(codes.begin(), codes.end(), std::make_pair(QW_PLAYINFO_BUFFERING, intptr_t{1}));
    EXPECT_EQ(std::count_if(resumed, codes.end(),
                            [](const auto& entry) { return entry.first == QW_PLAYINFO_READ; }),
              0)
        << "the download's resume undid the caller's pause";
    EXPECT_EQ(window.Count(), paused_at);
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle, 0), 0);
    EXPECT_TRUE(window.WaitForCount(paused_at + 3, kWaitMs)) << "the caller's resume plays on";
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
}

TEST_F(FilePlaybackGrowing, TheLastHeldBackBytesAreNeverWaitedFor) {
    const file_test::Bytes recording = file_test::BuildRecording(Plan(30));
    ASSERT_NO_FATAL_FAILURE(StartDownload(recording, recording.size()));
    // The download's last 51,200 bytes never come: playback ends anyway.
    ASSERT_EQ(
        QW_DVR_MEDIA_SetFileLengthRP3(handle, static_cast<int32_t>(bytes.size() + 51200), "remote"),
        0);
    QW_DVR_MEDIA_PCSetRate(handle, 3);
    ASSERT_TRUE(log.WaitFor(QW_PLAYINFO_END, 0, kWaitMs));
    EXPECT_EQ(IndexOf(log.Codes(), QW_PLAYINFO_NO_DATA), log.Codes().size());
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
}

// The older types are read by a periodic engine instead of a read thread:
// it plays the file through, and in backward direction it steps back one
// frame per tick.
TEST_F(FilePlayback, TimerEngineTypesPlayForwardAndBackward) {
    const std::vector<std::string> md5s = CifMd5s();
    file_test::RecordingPlan plan = Plan(100);
    plan.header = file_test::CurrentHeader(0x2102, "KSR2102-04CH");  // type 0x01000202
    Open(file_test::BuildRecording(plan));
    ASSERT_EQ(Start(), 0);
    ASSERT_TRUE(WaitForPictures(60));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);
    const auto index_of = [&](size_t picture) {
        return std::find(md5s.begin(), md5s.end(), Md5At(picture)) - md5s.begin();
    };
    const size_t forward = window_.Count();
    for (size_t i = 0; i < forward; ++i) {
        ASSERT_EQ(index_of(i), static_cast<std::ptrdiff_t>(i)) << "picture " << i;
    }

    ASSERT_EQ(QW_DVR_MEDIA_PCSetDirection(handle_, 3), 0);
    ASSERT_EQ(QW_DVR_MEDIA_PCSetRate(handle_, 4), 0);  // a step every 62 ms
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 0), 0);
    ASSERT_TRUE(WaitForPictures(forward + 5));
    ASSERT_EQ(QW_DVR_MEDIA_PCPause(handle_, 1), 0);
    const size_t total = window_.Count();
    auto previous = index_of(forward - 1);
    for (size_t i = forward; i < total; ++i) {
        const auto index = index_of(i);
        ASSERT_LT(index, previous) << "backward playback, picture " << i;
        previous = index;
    }
}

}  // namespace
}  // namespace kestrel::media
