// The talk handle through the exported interface, without a network:
// argument checks, and received talk fed by hand and heard on SDL's disk
// driver, with no microphone to be had.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <vector>

#include "kestrel_media.h"
#include "talk_harness.h"

namespace kestrel::media::talk_test {
namespace {

using namespace audio_test;
using namespace std::chrono_literals;

constexpr int32_t kOpenAttributes[QW_MEDIA_TALK_ATTRIBUTE_WORDS] = {0, 1, 20, 8000, 1, 0};

struct SendCount {
    std::atomic<int> packets{0};
};

void QW_CALLBACK CountSend(void* user, const uint8_t*, int32_t, uint32_t, uint32_t) {
    static_cast<SendCount*>(user)->packets.fetch_add(1);
}

class TalkHandle : public ::testing::Test {
protected:
    void SetUp() override { UseDiskAudio(output_, scratch_.File("no_microphone.s16")); }
    ScratchFolder scratch_;
    std::string output_ = scratch_.File("played.s16");
    SendCount sends_;
};

TEST_F(TalkHandle, RefusesBadArgumentsAndClampsTheDecoderMode) {
    int32_t channel16[QW_MEDIA_TALK_ATTRIBUTE_WORDS] = {16, 1, 20, 8000, 1, 0};
    int32_t negative[QW_MEDIA_TALK_ATTRIBUTE_WORDS] = {-1, 1, 20, 8000, 1, 0};
    EXPECT_EQ(QW_DVR_MEDIA_OpenTalk(channel16, &CountSend, 0, &sends_), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenTalk(negative, &CountSend, 0, &sends_), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenTalk(nullptr, &CountSend, 0, &sends_), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_OpenTalk(kOpenAttributes, nullptr, 0, &sends_), nullptr);
    EXPECT_EQ(QW_DVR_MEDIA_CloseTalk(nullptr), QW_MEDIA_ERR_BAD_ARGUMENT);
    const uint8_t byte = 0;
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(nullptr, &byte, 1, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    QW_DVR_MEDIA_TalkPlay(nullptr);

    int32_t channel15[QW_MEDIA_TALK_ATTRIBUTE_WORDS] = {15, 1, 20, 8000, 1, 0};
    QW_TALK_HANDLE talk = QW_DVR_MEDIA_OpenTalk(channel15, &CountSend, 7, &sends_);
    ASSERT_NE(talk, nullptr) << "an unknown decoder mode falls back to the short buffer";
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(talk, nullptr, 4, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(talk, &byte, -1, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(talk, nullptr, 0, 0, 0), QW_MEDIA_OK);
    // Nothing fills the playback buffer: TalkPlay opens no output of its own
    // (the disk driver would make the file it names) and so waits for none.
    const std::string play_output = scratch_.File("talk_play.s16");
    UseDiskAudio(play_output, scratch_.File("no_microphone.s16"));
    QW_DVR_MEDIA_TalkPlay(talk);
    EXPECT_FALSE(std::filesystem::exists(play_output));
    EXPECT_EQ(QW_DVR_MEDIA_CloseTalk(talk), QW_MEDIA_OK);
}

TEST_F(TalkHandle, RecordsSplitAcrossInputsPlayOnceTheRestArrives) {
    QW_TALK_HANDLE talk = QW_DVR_MEDIA_OpenTalk(kOpenAttributes, &CountSend, 1, &sends_);
    ASSERT_NE(talk, nullptr) << "no microphone is no reason to fail";

    // Input of the assembly buffer's size or more is ignored: loud blocks
    // that must not be heard.
    const auto loud = CutIntoBlocks(std::vector<uint8_t>(160, 0x80), 160).front();
    const auto loud_record = AudioRecord('5', 164, 164, loud);
    std::vector<uint8_t> ignored;
    while (ignored.size() + loud_record.size() <= 131072) {
        ignored.insert(ignored.end(), loud_record.begin(), loud_record.end());
    }
    ignored.resize(131072, 0);
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(talk, ignored.data(), 131072, 0, 0), QW_MEDIA_OK);

    // 480 ms of the simulator's tone in records of two 20 ms blocks, every
    // record cut in two at a different place (header or payload).
    const std::vector<uint8_t> tone = ToneMulaw();
    ASSERT_GE(tone.size(), 3840u);
    const std::vector<uint8_t> fed(tone.begin(), tone.begin() + 3840);
    const auto blocks = CutIntoBlocks(fed, 160);
    for (size_t i = 0; i + 1 < blocks.size(); i += 2) {
        std::vector<uint8_t> payload = blocks[i];
        payload.insert(payload.end(), blocks[i + 1].begin(), blocks[i + 1].end());
        const auto record = AudioRecord('5', 164, 328, payload);
        const size_t cut = 1 + (i * 29) % (record.size() - 1);
        ASSERT_EQ(QW_DVR_MEDIA_InputTalkData(talk, record.data(), static_cast<int32_t>(cut), 0, 0),
                  QW_MEDIA_OK);
        ASSERT_EQ(QW_DVR_MEDIA_InputTalkData(talk, record.data() + cut,
                                             static_cast<int32_t>(record.size() - cut), 0, 0),
                  QW_MEDIA_OK);
    }
    const auto reference = FfmpegMulawDecode(fed, scratch_);
    ASSERT_TRUE(reference);
    // Heard once the device has written it out whole.
    bool heard = false;
    for (int poll = 0; poll < 3000 && !heard; ++poll) {
        heard = FindRun(ToSamples(ReadBytes(output_)), *reference) >= 0;
        if (!heard) {
            std::this_thread::sleep_for(10ms);
        }
    }
    EXPECT_EQ(QW_DVR_MEDIA_CloseTalk(talk), QW_MEDIA_OK);
    EXPECT_EQ(sends_.packets.load(), 0);
    EXPECT_TRUE(heard) << "the tone was not played whole";

    const std::vector<int16_t> played = ToSamples(ReadBytes(output_));
    int peak = 0;
    for (int16_t s : played) {
        peak = std::max(peak, std::abs(int{s}));
    }
    EXPECT_LT(peak, 20000) << "the ignored input was played";
}

}  // namespace
}  // namespace kestrel::media::talk_test
