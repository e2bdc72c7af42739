// Talk against a simulated recorder that echoes the send direction back on
// the receive direction as audio records.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "sim_fixture.h"

namespace kestrel::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct TalkCapture {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<uint8_t> bytes;
    int losses = 0;
    Clock::time_point lost_at{};

    bool WaitFor(std::chrono::milliseconds limit, size_t byte_count, int loss_count) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit,
                                [&] { return bytes.size() >= byte_count && losses >= loss_count; });
    }
};

void QW_CALLBACK OnTalk(void* user, TalkDataRecord* record) {
    auto* capture = static_cast<TalkCapture*>(user);
    std::lock_guard<std::mutex> guard(capture->lock);
    if (record == nullptr) {
        ++capture->losses;
        capture->lost_at = Clock::now();
    } else {
        capture->bytes.insert(capture->bytes.end(), record->data,
                              record->data + record->byte_count);
    }
    capture->changed.notify_all();
}

// The blocks of consecutive audio records, joined; fails on anything else.
std::vector<uint8_t> AudioPayloads(const std::vector<uint8_t>& s) {
    std::vector<uint8_t> joined;
    size_t p = 0;
    while (p + 8 <= s.size()) {
        const uint8_t* r = s.data() + p;
        EXPECT_EQ(r[0], '0');
        EXPECT_TRUE(r[1] == '3' || r[1] == '5');
        if (r[2] != 'w' || r[3] != 'b') {
            ADD_FAILURE() << "no audio record at " << p;
            break;
        }
        const size_t block = r[4] | r[5] << 8;
        const size_t payload = r[6] | r[7] << 8;
        EXPECT_EQ(payload % block, 0u);
        if (p + 8 + payload > s.size()) {
            ADD_FAILURE() << "record cut short at " << p;
            break;
        }
        joined.insert(joined.end(), r + 8, r + 8 + payload);
        p += (8 + payload + 7) / 8 * 8;
    }
    EXPECT_EQ(p, s.size());
    return joined;
}

void ExpectTalkWords(const sim::ObservedRequest& r, uint32_t direction) {
    const uint8_t* b = r.block.data();
    EXPECT_EQ(BE32(b + 16), 84u);
    EXPECT_EQ(LE32(b + 20), 0u);
    EXPECT_EQ(LE32(b + 24), direction);
    EXPECT_EQ(LE32(b + 28), 20u);
    EXPECT_EQ(LE32(b + 32), 8000u);
    EXPECT_EQ(LE32(b + 36), 1u);
    EXPECT_EQ(LE32(b + 40), 0u);
}

bool WaitUntil(std::chrono::milliseconds limit, const auto& done) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(Talk, SilentRecorderGivesTheNullRecordAfterAboutThreeSeconds) {
    sim::RecorderConfig config;
    config.faults.silent_talk = true;
    auto recorder = StartSim(config);
    OpenResult open = OpenSim(*recorder);
    HandleCloser closer{open.handle};
    TalkCapture capture;
    const auto start = Clock::now();
    ASSERT_EQ(QW_DVR_NET_OpenTalk(open.handle, nullptr, &OnTalk, &capture), 0);
    ASSERT_TRUE(capture.WaitFor(5s, 0, 1));
    const auto after = capture.lost_at - start;
    EXPECT_GE(after, 2800ms);
    EXPECT_LE(after, 4500ms);
    std::lock_guard<std::mutex> guard(capture.lock);
    EXPECT_TRUE(capture.bytes.empty());
    EXPECT_EQ(capture.losses, 1);
}

TEST(Talk, AudioNeedsTheSendRequest) {
    auto recorder = StartSim();
    OpenResult open = OpenSim(*recorder);
    HandleCloser closer{open.handle};
    const uint8_t audio[64] = {1, 2, 3};
    EXPECT_EQ(QW_DVR_NET_SendAudioData(open.handle, audio, sizeof audio, 0, 0),
              static_cast<int32_t>(0x80010002));
    TalkCapture capture;
    ASSERT_EQ(QW_DVR_NET_OpenTalk(open.handle, nullptr, &OnTalk, &capture), 0);
    EXPECT_EQ(QW_DVR_NET_SendAudioData(open.handle, audio, sizeof audio, 0, 0),
              static_cast<int32_t>(0x80010002));
    EXPECT_EQ(QW_DVR_NET_CloseTalk(open.handle, nullptr), 0);
    EXPECT_EQ(recorder->Observed().TalkBytesReceived(), 0u);
    EXPECT_TRUE(RequestsOf(*recorder, 28).empty());
}

TEST(Talk, CloseWithoutNotifyTellsTheRecorderNothingButEndsBothLinks) {
    auto recorder = StartSim();
    OpenResult open = OpenSim(*recorder);
    HandleCloser closer{open.handle};
    TalkCapture capture;
    ASSERT_EQ(QW_DVR_NET_OpenTalk(open.handle, nullptr, &OnTalk, &capture), 0);
    ASSERT_EQ(QW_DVR_NET_SendTalkQst(open.handle), 0);
    ASSERT_TRUE(WaitUntil(2s, [&] { return recorder->Observed().OpenTalkLinks() == 2; }));
    const uint64_t connections = recorder->Observed().AcceptedConnections();

    EXPECT_EQ(QW_DVR_NET_CloseTalk(open.handle, nullptr), 0);
    EXPECT_TRUE(WaitUntil(2s, [&] { return recorder->Observed().OpenTalkLinks() == 0; }));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(recorder->Observed().AcceptedConnections(), connections);
    EXPECT_EQ(recorder->Observed().TalkRequests().size(), 2u);
    const uint8_t audio[8] = {};
    EXPECT_EQ(QW_DVR_NET_SendAudioData(open.handle, audio, sizeof audio, 0, 0),
              static_cast<int32_t>(0x80010002));
    // A closed talk is not reported as lost.
    std::this_thread::sleep_for(1200ms);
    std::lock_guard<std::mutex> guard(capture.lock);
    EXPECT_EQ(capture.losses, 0);
}

TEST(Talk, EchoRoundTripAndNotifiedClose) {
    auto recorder = StartSim();
    OpenResult open = OpenSim(*recorder);
    HandleCloser closer{open.handle};
    TalkCapture capture;
    ASSERT_EQ(QW_DVR_NET_OpenTalk(open.handle, nullptr, &OnTalk, &capture), 0);
    ASSERT_EQ(QW_DVR_NET_SendTalkQst(open.handle), 0);

    std::vector<uint8_t> sent;
    for (int block = 0; block < 5; ++block) {
        std::vector<uint8_t> audio(164 + 2 * block);
        for (size_t i = 0; i < audio.size(); ++i) {
            audio[i] = static_cast<uint8_t>(block * 37 + i);
        }
        ASSERT_EQ(QW_DVR_NET_SendAudioData(open.handle, audio.data(),
                                           static_cast<int32_t>(audio.size()), 0, 0),
                  0);
        sent.insert(sent.end(), audio.begin(), audio.end());
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(WaitUntil(3s, [&] {
        std::lock_guard<std::mutex> guard(capture.lock);
        return capture.bytes.size() >= sent.size() + 8 * 5 &&
               AudioPayloads(capture.bytes).size() >= sent.size();
    }));
    {
        std::lock_guard<std::mutex> guard(capture.lock);
        EXPECT_EQ(AudioPayloads(capture.bytes), sent);
    }
    EXPECT_EQ(recorder->Observed().TalkBytesReceived(), sent.size());

    const uint32_t closing[6] = {0, 0, 21, 8000, 1, 0};
    EXPECT_EQ(QW_DVR_NET_CloseTalk(open.handle, closing), 0);
    ASSERT_TRUE(WaitUntil(2s, [&] { return recorder->Observed().TalkRequests().size() == 4; }));
    for (uint8_t command : {27, 28}) {
        const auto blocks = RequestsOf(*recorder, command);
        ASSERT_EQ(blocks.size(), 2u) << int{command};
        ExpectTalkWords(blocks[0], 1);
        ExpectTalkWords(blocks[1], 0);
    }
    EXPECT_TRUE(WaitUntil(2s, [&] { return recorder->Observed().OpenTalkLinks() == 0; }));
}

}  // namespace
}  // namespace kestrel::test
