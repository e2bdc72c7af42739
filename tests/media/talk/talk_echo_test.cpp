// End to end: a tone on the microphone (SDL's disk driver reading a file)
// becomes talk packets, goes to a simulated recorder through the protocol
// library, comes back as its echo, is fed to the talk handle and heard on
// the disk driver's output.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "sim/recorder_sim.h"
#include "talk_harness.h"

namespace kestrel::media::talk_test {
namespace {

using namespace audio_test;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int32_t kOpenAttributes[QW_MEDIA_TALK_ATTRIBUTE_WORDS] = {0, 1, 20, 8000, 1, 0};
constexpr size_t kPacketBytes = 336;  // 8 + (4 + 320) + 4
constexpr size_t kFrameSamples = 320;

struct Sent {
    int32_t length;
    uint64_t stamp;
    int32_t result;
};

// Between the send function (capture thread), the talk callback (the
// protocol library's receiver thread) and the test.
struct TalkLoop {
    QW_DVR_HANDLE device = nullptr;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Sent> sent;
    std::vector<uint8_t> first_packet;
    EchoUnwrapper echo;
    std::vector<uint8_t> backlog;   // echoed before the handle was known
    QW_TALK_HANDLE talk = nullptr;  // fed while set
    size_t echoed = 0;
    int losses = 0;
};

void QW_CALLBACK OnSend(void* user, const uint8_t* packet, int32_t length, uint32_t low,
                        uint32_t high) {
    auto* loop = static_cast<TalkLoop*>(user);
    const int32_t result = QW_DVR_NET_SendAudioData(loop->device, packet, length, 0, 0);
    std::lock_guard<std::mutex> hold(loop->lock);
    if (loop->sent.empty()) {
        loop->first_packet.assign(packet, packet + length);
    }
    loop->sent.push_back({length, uint64_t{high} << 32 | low, result});
    loop->changed.notify_all();
}

void QW_CALLBACK OnEcho(void* user, TalkDataRecord* record) {
    auto* loop = static_cast<TalkLoop*>(user);
    std::lock_guard<std::mutex> hold(loop->lock);
    if (record == nullptr) {
        ++loop->losses;
        return;
    }
    const std::vector<uint8_t> sent = loop->echo.Take(
        std::span<const uint8_t>(record->data, static_cast<size_t>(record->byte_count)));
    loop->echoed += sent.size();
    if (loop->talk == nullptr) {
        loop->backlog.insert(loop->backlog.end(), sent.begin(), sent.end());
    } else if (!sent.empty()) {
        EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(loop->talk, sent.data(),
                                             static_cast<int32_t>(sent.size()), 0, 0),
                  QW_MEDIA_OK);
    }
    loop->changed.notify_all();
}

constexpr int kLoud = 4000;  // a quarter of the tone's peak

size_t LoudCount(std::span<const int16_t> s) {
    return static_cast<size_t>(
        std::count_if(s.begin(), s.end(), [](int16_t v) { return std::abs(int{v}) > kLoud; }));
}

// The longest stretch of tone: loud samples with no more than a tone
// period's worth of quiet between them. The live decoder may play silence
// while it waits for late audio; such gaps split the tone into stretches.
std::span<const int16_t> LongestTone(std::span<const int16_t> s) {
    constexpr size_t kPeriod = 8;
    size_t best_first = 0;
    size_t best_end = 0;
    size_t first = 0;
    size_t last = 0;
    bool in_run = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(int{s[i]}) <= kLoud) {
            continue;
        }
        if (!in_run || i - last > kPeriod) {
            first = i;
            in_run = true;
        }
        last = i;
        if (last + 1 - first > best_end - best_first) {
            best_first = first;
            best_end = last + 1;
        }
    }
    return s.subspan(best_first, best_end - best_first);
}

TEST(TalkEcho, MicrophoneToneComesBackThroughTheRecorder) {
    ScratchFolder scratch;
    const auto tone = MakeTone(scratch, 1000, 0.5, 1.2);
    ASSERT_TRUE(tone);
    const size_t tone_packets = tone->size() / kFrameSamples;
    const std::string microphone = scratch.File("microphone.s16");
    ASSERT_TRUE(WriteBytes(microphone, ToBytes(*tone)));
    const std::string output = scratch.File("played.s16");
    UseDiskAudio(output, microphone);

    sim::RecorderSim recorder{sim::RecorderConfig{}};
    ASSERT_TRUE(recorder.Start()) << recorder.LastError();
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
    TalkLoop loop;
    loop.device =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, &rights, nullptr);
    ASSERT_NE(loop.device, nullptr) << result;
    ASSERT_EQ(QW_DVR_NET_OpenTalk(loop.device, nullptr, &OnEcho, &loop), 0);
    ASSERT_EQ(QW_DVR_NET_SendTalkQst(loop.device), 0);

    QW_TALK_HANDLE talk = QW_DVR_MEDIA_OpenTalk(kOpenAttributes, &OnSend, 1, &loop);
    ASSERT_NE(talk, nullptr);
    {
        std::unique_lock<std::mutex> hold(loop.lock);
        loop.talk = talk;
        if (!loop.backlog.empty()) {
            EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(talk, loop.backlog.data(),
                                                 static_cast<int32_t>(loop.backlog.size()), 0, 0),
                      QW_MEDIA_OK);
        }
        // The whole tone and a little silence after it, echoed.
        const size_t wanted = (tone_packets + 6) * kPacketBytes;
        EXPECT_TRUE(loop.changed.wait_for(hold, 15s, [&] { return loop.echoed >= wanted; }))
            << loop.sent.size() << " packets sent, " << loop.echoed << " bytes echoed";
        loop.talk = nullptr;
    }
    std::this_thread::sleep_for(800ms);  // the decoder's backlog and device buffer
    ASSERT_EQ(QW_DVR_MEDIA_CloseTalk(talk), QW_MEDIA_OK);
    size_t sent_at_close = 0;
    {
        std::lock_guard<std::mutex> hold(loop.lock);
        sent_at_close = loop.sent.size();
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(QW_DVR_NET_CloseTalk(loop.device, nullptr), 0);
    EXPECT_EQ(QW_DVR_NET_Close_Device(loop.device), 0);

    // The packets: one 40 ms frame each, stamps 0, 20, 40, ...
    {
        std::lock_guard<std::mutex> hold(loop.lock);
        EXPECT_EQ(loop.sent.size(), sent_at_close) << "sent after CloseTalk";
        EXPECT_EQ(loop.losses, 0);
        ASSERT_GE(loop.sent.size(), tone_packets);
        for (size_t i = 0; i < loop.sent.size(); ++i) {
            ASSERT_EQ(loop.sent[i].length, static_cast<int32_t>(kPacketBytes)) << i;
            ASSERT_EQ(loop.sent[i].stamp, 20 * i) << i;
            ASSERT_EQ(loop.sent[i].result, 0) << i;
        }
        const std::vector<uint8_t> header = {'0',  '3',  'w',  'b',  0x44, 0x01,
                                             0x44, 0x01, 0x00, 0x01, 160,  0x00};
        ASSERT_EQ(loop.first_packet.size(), kPacketBytes);
        EXPECT_TRUE(std::equal(header.begin(), header.end(), loop.first_packet.begin()));
        EXPECT_TRUE(std::all_of(loop.first_packet.end() - 4, loop.first_packet.end(),
                                [](uint8_t b) { return b == 0; }));
    }

    // What was heard: the whole tone, nothing lost or added, as loud and
    // at the same pitch, within what mu-law changes.
    const std::vector<int16_t> played = ToSamples(ReadBytes(output));
    const ptrdiff_t said_loud = static_cast<ptrdiff_t>(LoudCount(*tone));
    const ptrdiff_t heard_loud = static_cast<ptrdiff_t>(LoudCount(played));
    EXPECT_LE(std::abs(heard_loud - said_loud), 16) << heard_loud << " vs " << said_loud;

    const std::span<const int16_t> heard = LongestTone(played);
    const std::span<const int16_t> said = LongestTone(*tone);
    ASSERT_GT(heard.size(), 2000u) << "no stretch of tone of 250 ms";
    EXPECT_NEAR(ToneFrequency(heard, 8000), 1000.0, 5.0);
    EXPECT_NEAR(Rms(heard) / Rms(said.first(heard.size())), 1.0, 0.03);
    double best = -1;
    const size_t n = heard.size() - 8;
    for (size_t shift = 0; shift < 8; ++shift) {
        best = std::max(best, Correlation(heard.subspan(shift, n), said.first(n)));
    }
    EXPECT_GT(best, 0.99);
}

}  // namespace
}  // namespace kestrel::media::talk_test
