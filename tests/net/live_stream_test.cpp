// Live streams from a simulated recorder through the real-data callback.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace kestrel::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Everything one channel's callback received.
struct Capture {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<uint8_t> bytes;
    int losses = 0;
    int calls = 0;
    int bad_type = 0;
    Clock::time_point last_data{};
    Clock::time_point lost_at{};

    size_t Size() {
        std::lock_guard<std::mutex> guard(lock);
        return bytes.size();
    }
    bool WaitForBytes(size_t n, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] { return bytes.size() >= n; });
    }
    bool WaitForLoss(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] { return losses > 0; });
    }
};

void QW_CALLBACK OnData(QW_DVR_HANDLE, int32_t, int32_t type, const unsigned char* data,
                        int32_t count, void* user) {
    auto* capture = static_cast<Capture*>(user);
    std::lock_guard<std::mutex> guard(capture->lock);
    ++capture->calls;
    if (type != 2) {
        ++capture->bad_type;
    }
    if (count == -3) {
        ++capture->losses;
        capture->lost_at = Clock::now();
    } else {
        capture->bytes.insert(capture->bytes.end(), data, data + count);
        capture->last_data = Clock::now();
    }
    capture->changed.notify_all();
}

// Counts the audio records among the complete records of a stream that
// starts with its 512-byte header.
size_t CountAudioRecords(const std::vector<uint8_t>& s, size_t from = 512) {
    size_t audio = 0;
    size_t p = from;
    while (p + 8 <= s.size()) {
        const uint8_t* r = s.data() + p;
        if (r[2] == 'd' && r[3] == 'c') {
            if (p + 24 > s.size()) {
                break;
            }
            size_t length = 24 + (r[12] | r[13] << 8) + LE32(r + 8);
            p += (length + 7) / 8 * 8;
        } else if (r[2] == 'w' && r[3] == 'b') {
            size_t length = 8 + (r[6] | r[7] << 8);
            ++audio;
            p += (length + 7) / 8 * 8;
        } else {
            ADD_FAILURE() << "no record at " << p;
            break;
        }
    }
    return audio;
}

size_t AudioRecordsIn(Capture& capture) {
    std::lock_guard<std::mutex> guard(capture.lock);
    return CountAudioRecords(capture.bytes);
}

// Polls `done` until it holds or `limit` passes.
template <typename Done>
bool WaitFor(std::chrono::milliseconds limit, Done done) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

// Re-registers its own channel's pair on every delivery, as a caller that
// swaps consumers from inside the callback would.
void QW_CALLBACK OnDataReRegistering(QW_DVR_HANDLE device, int32_t channel, int32_t type,
                                     const unsigned char* data, int32_t count, void* user) {
    OnData(device, channel, type, data, count, user);
    QW_DVR_NET_SetRealDataCallBack(device, channel, user, OnDataReRegistering);
}

class LiveStream : public ::testing::Test {
protected:
    void Open(sim::RecorderConfig config) {
        config.capture_live = true;
        recorder_ = StartSim(std::move(config));
        OpenResult opened = OpenSim(*recorder_);
        ASSERT_NE(opened.handle, nullptr) << std::hex << opened.result;
        handle_ = opened.handle;
    }
    void TearDown() override {
        if (handle_ != nullptr) {
            QW_DVR_NET_Close_Device(handle_);
        }
    }
    int32_t Start(int channel, Capture* capture, int stream = 0) {
        EXPECT_EQ(QW_DVR_NET_SetRealDataCallBack(handle_, channel, capture, OnData), 0);
        return QW_DVR_NET_StartRealAV(handle_, 0, channel, 0, 0, 1, stream, "admin", "admin");
    }
    // Captures live as long as the fixture, so a channel a failed assertion
    // left running still has its capture until TearDown closes the handle.
    Capture& NewCapture() { return captures_.emplace_back(); }

    std::unique_ptr<sim::RecorderSim> recorder_;
    QW_DVR_HANDLE handle_ = nullptr;
    std::deque<Capture> captures_;
};

TEST_F(LiveStream, DeliversExactlyWhatTheRecorderSentOnTwoChannels) {
    Open({});
    Capture& main_stream = NewCapture();
    Capture& sub_stream = NewCapture();
    ASSERT_EQ(Start(3, &main_stream, 0), 0);
    ASSERT_EQ(Start(1, &sub_stream, 1), 0);
    EXPECT_TRUE(main_stream.WaitForBytes(120000, 10s));
    EXPECT_TRUE(sub_stream.WaitForBytes(30000, 10s));
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 3), 0);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 1), 0);

    auto starts = RequestsOf(*recorder_, 3);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(BE32(starts[0].block.data() + 16), 104u);
    EXPECT_EQ(BE32(starts[0].block.data() + 20), 1u);
    EXPECT_EQ(BE32(starts[0].block.data() + 24), 16u);
    EXPECT_EQ(BE32(starts[0].block.data() + 28), 0x08u);  // channel 3
    EXPECT_EQ(BE32(starts[0].block.data() + 32), 1u);     // link mode
    EXPECT_EQ(BE32(starts[1].block.data() + 36), 1u);     // sub stream

    auto ids = recorder_->Observed().StreamIds();
    ASSERT_EQ(ids.size(), 2u);
    for (auto [id, capture] : {std::pair{ids[0], &main_stream}, std::pair{ids[1], &sub_stream}}) {
        auto sent = recorder_->Observed().Stream(id);
        ASSERT_TRUE(sent.has_value());
        std::lock_guard<std::mutex> guard(capture->lock);
        ASSERT_LE(capture->bytes.size(), sent->captured.size());
        EXPECT_TRUE(
            std::equal(capture->bytes.begin(), capture->bytes.end(), sent->captured.begin()));
        EXPECT_EQ(capture->losses, 0);
        EXPECT_EQ(capture->bad_type, 0);
    }
}

TEST_F(LiveStream, StartingARunningChannelOpensNoConnection) {
    Open({});
    Capture& capture = NewCapture();
    ASSERT_EQ(Start(2, &capture), 0);
    uint64_t connections = recorder_->Observed().AcceptedConnections();
    EXPECT_EQ(Start(2, &capture), QW_NET_ERR_STREAM_RUNNING);
    Capture& other = NewCapture();
    ASSERT_EQ(Start(3, &other), 0);  // connects in turn, after anything the refusal opened
    EXPECT_EQ(recorder_->Observed().AcceptedConnections(), connections + 1);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 3), 0);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 2), 0);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 2), QW_NET_ERR_NOT_STARTED);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 5), QW_NET_ERR_NOT_STARTED);
}

TEST_F(LiveStream, SilentStreamIsReportedLostOnceAfterFiveSeconds) {
    sim::RecorderConfig config;
    config.faults.stall_live_after_bytes = 20000;
    Open(config);
    Capture& capture = NewCapture();
    ASSERT_EQ(Start(0, &capture), 0);
    ASSERT_TRUE(capture.WaitForLoss(30s));
    std::this_thread::sleep_for(300ms);  // a second report would come right away
    {
        std::lock_guard<std::mutex> guard(capture.lock);
        EXPECT_EQ(capture.losses, 1);
        EXPECT_EQ(capture.bytes.size(), 20000u);
        EXPECT_GE(capture.lost_at - capture.last_data, 4500ms);
    }
    // The channel stays started until it is stopped.
    EXPECT_EQ(Start(0, &capture), QW_NET_ERR_STREAM_RUNNING);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 0), 0);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 0), QW_NET_ERR_NOT_STARTED);
}

TEST_F(LiveStream, ClosedStreamIsReportedLostAfterTheFailedReceives) {
    sim::RecorderConfig config;
    config.faults.close_after_bytes = 30000;
    Open(config);
    Capture& capture = NewCapture();
    ASSERT_EQ(Start(0, &capture), 0);
    ASSERT_TRUE(capture.WaitForLoss(30s));
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 0), 0);
    std::lock_guard<std::mutex> guard(capture.lock);
    EXPECT_EQ(capture.losses, 1);
    // Eleven failed receives 10 ms apart, far sooner than the silence rule.
    EXPECT_LT(capture.lost_at - capture.last_data, 4500ms);
}

TEST_F(LiveStream, StreamSoundAddsAndRemovesAudioRecords) {
    Open({});
    EXPECT_EQ(QW_DVR_NET_OpenStreamSound(handle_, 4), QW_NET_ERR_NO_STREAM);
    Capture& capture = NewCapture();
    ASSERT_EQ(Start(4, &capture), 0);
    ASSERT_TRUE(capture.WaitForBytes(60000, 10s));
    EXPECT_EQ(QW_DVR_NET_OpenStreamSound(handle_, 4), 0);
    size_t opened_at = capture.Size();
    ASSERT_TRUE(WaitFor(10s, [&] { return AudioRecordsIn(capture) >= 3; }));
    EXPECT_EQ(QW_DVR_NET_CloseStreamSound(handle_, 4), 0);
    // The recorder answered the close, so every record it builds from here on
    // is silent; the one it was building may still carry audio.
    const auto id = recorder_->Observed().StreamIds().at(0);
    const uint64_t sent_at_close = recorder_->Observed().Stream(id)->bytes_sent;
    ASSERT_TRUE(capture.WaitForBytes(sent_at_close + 60000, 10s));
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 4), 0);

    std::lock_guard<std::mutex> guard(capture.lock);
    std::vector<uint8_t> before(capture.bytes.begin(), capture.bytes.begin() + opened_at);
    EXPECT_EQ(CountAudioRecords(before), 0u);
    size_t during = CountAudioRecords(
        std::vector<uint8_t>(capture.bytes.begin(), capture.bytes.begin() + sent_at_close));
    size_t all = CountAudioRecords(capture.bytes);
    EXPECT_GT(during, 0u);
    EXPECT_LE(all - during, 1u);  // nothing after the record in flight at the close

    auto sound = RequestsOf(*recorder_, 26);
    ASSERT_EQ(sound.size(), 2u);
    EXPECT_EQ(LE32(sound[0].block.data() + 20), id.word1);
    EXPECT_EQ(LE32(sound[0].block.data() + 24), id.word2);
    EXPECT_EQ(LE32(sound[0].block.data() + 28), 0u);
    EXPECT_EQ(LE32(sound[1].block.data() + 28), 1u);
}

TEST_F(LiveStream, NoCallbackMeansTheStreamIsDiscarded) {
    Open({});
    ASSERT_EQ(QW_DVR_NET_StartRealAV(handle_, 0, 6, 0, 0, 1, 0, "admin", "admin"), 0);
    std::this_thread::sleep_for(300ms);
    Capture& late = NewCapture();
    EXPECT_EQ(QW_DVR_NET_SetRealDataCallBack(handle_, 6, &late, OnData), 0);
    EXPECT_TRUE(late.WaitForBytes(1, 5s));  // the running link picks up the new pair
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 6), 0);
    size_t after_stop = late.Size();
    ASSERT_TRUE(WaitFor(10s, [&] { return recorder_->Observed().RunningStreams() == 0; }));
    EXPECT_EQ(late.Size(), after_stop);
}

TEST_F(LiveStream, RecorderRefusalAndLongCredentialsLeaveTheChannelIdle) {
    Open({});
    Capture& capture = NewCapture();
    EXPECT_EQ(QW_DVR_NET_StartRealAV(handle_, 0, 0, 0, 0, 1, 0, "admin", "wrong"), 3);
    std::string long_name(32, 'a');
    EXPECT_EQ(QW_DVR_NET_StartRealAV(handle_, 0, 0, 0, 0, 1, 0, long_name.c_str(), "admin"),
              QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 0), QW_NET_ERR_NOT_STARTED);
    EXPECT_EQ(Start(0, &capture), 0);
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 0), 0);  // before the capture goes away
}

TEST_F(LiveStream, StopWhileTheCallbackReRegistersDoesNotDeadlock) {
    Open({});
    Capture& capture = NewCapture();
    ASSERT_EQ(QW_DVR_NET_SetRealDataCallBack(handle_, 5, &capture, OnDataReRegistering), 0);
    ASSERT_EQ(QW_DVR_NET_StartRealAV(handle_, 0, 5, 0, 0, 1, 0, "admin", "admin"), 0);
    ASSERT_TRUE(capture.WaitForBytes(1000, 10s));
    EXPECT_EQ(QW_DVR_NET_StopRealAV(handle_, 5), 0);
}

TEST_F(LiveStream, CloseStopsEveryRunningChannel) {
    Open({});
    Capture& a = NewCapture();
    Capture& b = NewCapture();
    ASSERT_EQ(Start(0, &a), 0);
    ASSERT_EQ(Start(7, &b), 0);
    ASSERT_TRUE(a.WaitForBytes(1000, 10s));
    EXPECT_EQ(QW_DVR_NET_Close_Device(handle_), 0);
    handle_ = nullptr;
    size_t a_size = a.Size();
    EXPECT_TRUE(WaitFor(10s, [&] { return recorder_->Observed().RunningStreams() == 0; }));
    EXPECT_EQ(a.Size(), a_size);
}

}  // namespace
}  // namespace kestrel::test
