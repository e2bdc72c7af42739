// What a caller may rely on once StopPlay or CloseDecoder returned: the
// window and the play-info user data can be freed at once, no callback
// reaches them afterwards (also when a player thread is held up inside
// present), and a play-info callback may call the handle's controls.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "platform/event.h"
#include "recording_files.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"

namespace kestrel::media {
namespace {

// 1,000 rounds of each kind, in four parts so that each stays short in the
// sanitizer builds.
constexpr int kParts = 4;
constexpr int kRounds = 250;
constexpr int kWaitMs = 30000;

// Calls into one window or one play-info registration, kept apart from the
// window record itself so the record can be freed while these are read.
struct Calls {
    std::atomic<bool> stopped{false};
    std::atomic<int> calls{0};
    std::atomic<int> after_stop{0};
    void Note() {
        calls.fetch_add(1);
        if (stopped.load()) {
            after_stop.fetch_add(1);
        }
    }
};

void QW_CALLBACK CountPresent(void* user, uint32_t, const uint8_t*, int32_t, int32_t, int32_t) {
    static_cast<Calls*>(user)->Note();
}
void QW_CALLBACK CountClear(void* user) {
    static_cast<Calls*>(user)->Note();
}
int32_t CountInfo(void* user, const QwPlayInfo*) {
    static_cast<Calls*>(user)->Note();
    return 0;
}

std::unique_ptr<KmVideoWindow> CountingWindow(Calls& calls) {
    return std::make_unique<KmVideoWindow>(
        KmVideoWindow{&calls, KM_FORMAT_YUY2, &CountPresent, &CountClear});
}

int AfterStop(const std::vector<Calls>& rounds) {
    int total = 0;
    for (const Calls& calls : rounds) {
        total += calls.after_stop.load();
    }
    return total;
}

int AllCalls(const std::vector<Calls>& rounds) {
    int total = 0;
    for (const Calls& calls : rounds) {
        total += calls.calls.load();
    }
    return total;
}

file_test::RecordingPlan Plan(int frames) {
    file_test::RecordingPlan plan;
    plan.header = file_test::CurrentHeader(0x9613, "KSR9613-08CH");  // type 0x01000207
    plan.header.start = {2026, 12, 8, 10, 0, 0};
    plan.header.end = {2026, 12, 8, 10, 0, 4};
    plan.frames = frames;
    return plan;
}

class StopRounds : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Parts, StopRounds, ::testing::Range(0, kParts));

TEST_P(StopRounds, ALiveWindowFreedRightAfterItsStopIsNeverCalledAgain) {
    std::string error;
    const auto clip = sim::MediaClip::Load(test::MediaFile("clip_cif.h264"), &error);
    ASSERT_TRUE(clip) << error;
    std::vector<std::vector<uint8_t>> records(3);
    for (size_t i = 0; i < records.size(); ++i) {
        sim::VideoFrame frame;
        frame.pts_us = 1'000'000 + i * 40'000;
        frame.payload = clip->AccessUnit(i);
        sim::AppendVideoRecord(records[i], frame);
        records[i].resize(sim::kVideoHeaderSize + frame.payload.size());
    }
    QW_DECODER_HANDLE handle = QW_DVR_MEDIA_OpenDecoder(0x01000203, 0, 0, 0);
    ASSERT_NE(handle, nullptr);
    std::vector<Calls> rounds(kRounds);
    const int32_t channel = 0;
    for (Calls& calls : rounds) {
        auto window = CountingWindow(calls);
        KmVideoWindow* windows[] = {window.get()};
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle, windows, 1, &channel, 1, 0), 0);
        for (const auto& record : records) {
            QW_DVR_MEDIA_InputDataToDecoder(handle, QW_MEDIA_INPUT_VIDEO_FRAME, record.data(),
                                            static_cast<int32_t>(record.size()));
        }
        ASSERT_EQ(QW_DVR_MEDIA_StopPlay(handle, channel), 0);
        calls.stopped = true;
        window.reset();
    }
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
    EXPECT_EQ(AfterStop(rounds), 0);
    EXPECT_GT(AllCalls(rounds), 0) << "no round got as far as a picture";
}

TEST_P(StopRounds, AFileWindowAndPlayInfoFreedRightAfterTheStopAreNeverCalledAgain) {
    file_test::TempFile file;
    file.Write(file_test::BuildRecording(Plan(10)));
    QW_DECODER_HANDLE handle = QW_DVR_MEDIA_OpenFileDecoderRP3(file.path().c_str(), nullptr);
    ASSERT_NE(handle, nullptr);
    std::vector<Calls> windows(kRounds);
    std::vector<Calls> infos(kRounds);
    const int32_t channel = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto window = CountingWindow(windows[round]);
        KmVideoWindow* list[] = {window.get()};
        ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle, &infos[round], &CountInfo), 0);
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle, list, 1, &channel, 1, 0), 0);
        // Every tenth round closes the handle instead of stopping it.
        const bool close = round % 10 == 9;
        ASSERT_EQ(close ? QW_DVR_MEDIA_CloseDecoder(handle) : QW_DVR_MEDIA_StopPlay(handle, 0), 0);
        windows[round].stopped = true;
        infos[round].stopped = true;
        window.reset();
        if (close) {
            handle = QW_DVR_MEDIA_OpenFileDecoderRP3(file.path().c_str(), nullptr);
            ASSERT_NE(handle, nullptr);
        }
    }
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
    EXPECT_EQ(AfterStop(windows), 0);
    EXPECT_EQ(AfterStop(infos), 0);
    EXPECT_GT(AllCalls(infos), 0);
}

// The first present holds the player thread past the player's own stop wait,
// so the stop has to leave the thread behind and still keep it away from the
// window.
struct SlowWindow {
    Calls calls;
    platform::Event entered{platform::Event::Reset::kManual};
    std::atomic<bool> held{false};
    static void QW_CALLBACK Present(void* user, uint32_t, const uint8_t*, int32_t, int32_t,
                                    int32_t) {
        auto* self = static_cast<SlowWindow*>(user);
        self->calls.Note();
        if (!self->held.exchange(true)) {
            self->entered.Set();
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        }
    }
    static void QW_CALLBACK Clear(void* user) { static_cast<SlowWindow*>(user)->calls.Note(); }
};

TEST(StopCallbacks, APlayerHeldUpInsidePresentStopsWithoutTouchingTheWindowAgain) {
    file_test::TempFile file;
    file.Write(file_test::BuildRecording(Plan(50)));
    QW_DECODER_HANDLE handle = QW_DVR_MEDIA_OpenFileDecoderRP3(file.path().c_str(), nullptr);
    ASSERT_NE(handle, nullptr);
    auto slow = std::make_unique<SlowWindow>();
    Calls info;
    ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle, &info, &CountInfo), 0);
    auto window = std::make_unique<KmVideoWindow>(
        KmVideoWindow{slow.get(), KM_FORMAT_YUY2, &SlowWindow::Present, &SlowWindow::Clear});
    KmVideoWindow* list[] = {window.get()};
    const int32_t channel = 0;
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle, list, 1, &channel, 1, 0), 0);
    ASSERT_TRUE(slow->entered.Wait(kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_StopPlay(handle, 0), 0);
    slow->calls.stopped = true;
    info.stopped = true;
    const int calls = slow->calls.calls.load();
    window.reset();
    slow.reset();
    // The handle still works after it, and closing it calls nothing more.
    Calls second;
    auto next = CountingWindow(second);
    KmVideoWindow* next_list[] = {next.get()};
    ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(handle, &second, &CountInfo), 0);
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle, next_list, 1, &channel, 1, 0), 0);
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle), 0);
    second.stopped = true;
    next.reset();
    EXPECT_GE(calls, 1);
    EXPECT_EQ(info.after_stop.load(), 0);
    EXPECT_EQ(second.after_stop.load(), 0);
}

// A play-info callback that pauses, resumes and sets the rate of its own
// handle, whatever it is told.
class Reentrant {
public:
    QW_DECODER_HANDLE handle = nullptr;

    static int32_t OnInfo(void* user, const QwPlayInfo* info) {
        auto* self = static_cast<Reentrant*>(user);
        QW_DVR_MEDIA_PCPause(self->handle, 1);
        QW_DVR_MEDIA_PCPause(self->handle, 0);
        QW_DVR_MEDIA_PCSetRate(self->handle, 3);
        std::lock_guard lock(self->mutex_);
        self->codes_.insert(info->code);
        self->changed_.notify_all();
        return 0;
    }
    bool WaitFor(std::initializer_list<int32_t> codes) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] {
            for (int32_t code : codes) {
                if (codes_.count(code) == 0) {
                    return false;
                }
            }
            return true;
        });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::set<int32_t> codes_;
};

TEST(PlayInfoReentry, ACallbackMayPauseAndSetTheRateOfItsHandleAtEveryCode) {
    // A download that stalls, resumes and plays to its end.
    file_test::RecordingPlan plan = Plan(400);
    plan.garbage_between = 20000;
    const file_test::Bytes bytes = file_test::BuildRecording(plan);
    file_test::TempFile file;
    file.Write(file_test::Bytes(bytes.begin(), bytes.begin() + 2'000'000));
    Reentrant reentrant;
    reentrant.handle = QW_DVR_MEDIA_OpenFileDecoderRP3(file.path().c_str(), "remote");
    ASSERT_NE(reentrant.handle, nullptr);
    ASSERT_EQ(
        QW_DVR_MEDIA_RegistFilePlayInfoCallBack(reentrant.handle, &reentrant, &Reentrant::OnInfo),
        0);
    Calls window_calls;
    auto window = CountingWindow(window_calls);
    KmVideoWindow* list[] = {window.get()};
    const int32_t channel = 0;
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(reentrant.handle, list, 1, &channel, 1, 0), 0);
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(reentrant.handle, 10'000'000, "remote"), 0);
    ASSERT_TRUE(reentrant.WaitFor({QW_PLAYINFO_CHANNEL_MASK, QW_PLAYINFO_FIRST_FRAME,
                                   QW_PLAYINFO_TOTAL_LENGTH, QW_PLAYINFO_START_TIME,
                                   QW_PLAYINFO_END_TIME, QW_PLAYINFO_STARTED, QW_PLAYINFO_READ,
                                   QW_PLAYINFO_NO_DATA, QW_PLAYINFO_BUFFERING}));
    file.Append(file_test::Bytes(bytes.begin() + 2'000'000, bytes.end()));
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(reentrant.handle,
                                            static_cast<int32_t>(bytes.size() + 51200), "remote"),
              0);
    ASSERT_TRUE(reentrant.WaitFor({QW_PLAYINFO_END}));
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(reentrant.handle, 0), 0);
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(reentrant.handle), 0);

    // A download that turns out to be no recording at all.
    file_test::TempFile junk;
    junk.Write(file_test::Bytes(30000, 0));
    Reentrant failing;
    failing.handle = QW_DVR_MEDIA_OpenFileDecoderRP3(junk.path().c_str(), "remote");
    ASSERT_NE(failing.handle, nullptr);
    ASSERT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(failing.handle, &failing, &Reentrant::OnInfo),
              0);
    ASSERT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(failing.handle, 100000, "remote"), 0);
    EXPECT_TRUE(failing.WaitFor({QW_PLAYINFO_OPEN_FAILED}));
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(failing.handle), 0);
}

}  // namespace
}  // namespace kestrel::media
