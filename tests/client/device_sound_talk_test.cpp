// Stream sound selection and the talk link of the device object.
#include <gtest/gtest.h>

#include <vector>

#include "device_fixture.h"
#include "kestrel_recorder_traits.h"
#include "memory_window.h"

namespace kestrel::client::test {
namespace {

// Sound state of the recorder's running stream of a channel.
bool RecorderSoundOpen(const sim::RecorderSim& recorder, int channel) {
    for (const sim::StreamId& id : recorder.Observed().StreamIds()) {
        const auto stream = recorder.Observed().Stream(id);
        if (stream && stream->running && stream->channel == channel) {
            return stream->sound_open;
        }
    }
    return false;
}

// The type whose stream sound lives on channel 0 alone.
constexpr uint32_t kSingleSoundType = 0x01000102;
static_assert(RecorderType(kSingleSoundType).single_sound_channel);

sim::RecorderConfig SilentStreams() {
    sim::RecorderConfig config;
    config.faults.stall_live_after_bytes = 0;
    return config;
}

class DeviceSound : public DeviceTest {};

TEST_F(DeviceSound, OpeningOneChannelsSoundClosesTheOthers) {
    ASSERT_TRUE(OpenDevice(SilentStreams()));
    media::test::MemoryWindow one;
    media::test::MemoryWindow two;
    ASSERT_EQ(StartLive(one.Window(), 1), 0);
    ASSERT_EQ(StartLive(two.Window(), 2), 0);

    ASSERT_EQ(Device().OpenStreamSound(1), 1);
    EXPECT_TRUE(RecorderSoundOpen(Recorder(), 1));
    ASSERT_EQ(Device().OpenStreamSound(2), 1);
    EXPECT_FALSE(RecorderSoundOpen(Recorder(), 1));
    EXPECT_TRUE(RecorderSoundOpen(Recorder(), 2));
    EXPECT_FALSE(Device().SoundOn(1));
    EXPECT_TRUE(Device().SoundOn(2));
    Device().SelectSoundChannel(2);

    ASSERT_EQ(Device().CloseAllStreamSound(), 1);
    EXPECT_FALSE(RecorderSoundOpen(Recorder(), 2));
    EXPECT_FALSE(Device().SoundOn(2));
    // A channel without a stream: the recorder refuses, the flags stay.
    EXPECT_EQ(Device().OpenStreamSound(5), 0);
    EXPECT_FALSE(Device().SoundOn(5));
}

TEST_F(DeviceSound, SingleSoundTypeAlwaysAddressesChannelZero) {
    ASSERT_TRUE(OpenDevice(SilentStreams()));
    // Channel 0's stream runs on the shared handle; the second device object
    // only claims the type whose sound lives on channel 0.
    ASSERT_EQ(QW_DVR_NET_StartRealAV(Device().handle, 1, 0, 0, 0, 1, 1, "admin", "admin"), 0);
    CDevice single(Device().deviceSubtype, Device().handle, Context().ip, Context().mediaPort,
                   kSingleSoundType);
    single.SetContext(&Context());
    ASSERT_EQ(single.OpenStreamSound(3), 1);
    EXPECT_TRUE(RecorderSoundOpen(Recorder(), 0));
    EXPECT_TRUE(single.SoundOn(0));
    EXPECT_FALSE(single.SoundOn(3));
    ASSERT_EQ(single.CloseAllStreamSound(), 1);
    EXPECT_FALSE(RecorderSoundOpen(Recorder(), 0));
    QW_DVR_NET_StopRealAV(Device().handle, 0);
}

class DeviceTalk : public DeviceTest {
protected:
    void SetUp() override { UseDiskAudio(); }
};

TEST_F(DeviceTalk, SecondStartReusesTheMediaTalkHandle) {
    ASSERT_TRUE(OpenDevice());
    EXPECT_EQ(Device().StopTalk(), 0) << "nothing to stop before the first start";

    ASSERT_EQ(Device().ToggleTalk(), 1);
    EXPECT_EQ(Device().talkOn, 1);
    const QW_TALK_HANDLE first = Device().TalkMedia();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return Recorder().Observed().TalkBytesReceived() > 0; }, 10000))
        << "the microphone's blocks reach the recorder";
    ASSERT_EQ(Device().ToggleTalk(), 1);
    EXPECT_EQ(Device().talkOn, 0);
    EXPECT_EQ(seams_.Timers(), std::vector<int>{1000}) << "the close pauses a second";
    const size_t asked = Recorder().Observed().TalkRequests().size();
    EXPECT_EQ(Device().ToggleTalk(), 0) << "a start within the pause finds the recorder busy";
    EXPECT_EQ(Recorder().Observed().TalkRequests().size(), asked);

    seams_.RunTimers();
    ASSERT_EQ(Device().ToggleTalk(), 1);
    EXPECT_EQ(Device().TalkMedia(), first);
    ASSERT_EQ(Device().ToggleTalk(), 1);
    ShowPostedTexts();
    EXPECT_EQ(ui_.shown, std::vector<std::string>{"设备正在处理中"});

    const auto requests = Recorder().Observed().TalkRequests();
    ASSERT_FALSE(requests.empty());
    const std::string log = LogText();
    EXPECT_NE(log.find("in StopTalk"), std::string::npos);
    EXPECT_NE(log.find("before StopTalk"), std::string::npos);
}

TEST_F(DeviceTalk, RefusedTalkIsReportedAndALostLinkFlipsTheContext) {
    sim::RecorderConfig config;
    config.faults.silent_talk = true;
    ASSERT_TRUE(OpenDevice(config));
    EXPECT_EQ(Device().ToggleTalk(), 0);
    EXPECT_EQ(Device().talkOn, 0);
    ShowPostedTexts();
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_EQ(ui_.shown[0], "设备正在处理中");

    Context().talkOn = 1;
    CDevice::RecvAudioData(&Device(), nullptr);
    EXPECT_EQ(Context().talkOn, 0);
    const auto posted = channelPanel_.Messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, UM_TALK_LINK_LOST);
}

}  // namespace
}  // namespace kestrel::client::test
