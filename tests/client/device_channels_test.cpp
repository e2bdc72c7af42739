// Channel counts of the device object and the refusal of channels outside
// them.
#include <gtest/gtest.h>

#include "channel_counts.h"
#include "device_fixture.h"
#include "memory_window.h"

namespace kestrel::client::test {
namespace {

TEST(ChannelCounts, UnknownSubtypeWithNobodyToAskGetsSixteen) {
    EXPECT_EQ(ChannelCountOfSubtype(0x0400000A), 16);
    EXPECT_EQ(ChannelCountOfSubtype(0x05019610), 0);
    EXPECT_EQ(ResolveChannelCount(0x05019610, nullptr), kFallbackChannelCount);
}

class DeviceChannels : public DeviceTest {};

TEST_F(DeviceChannels, UnknownSubtypeTakesTheRecordersCapabilities) {
    sim::RecorderConfig config;
    config.family = 0x96;
    config.model = 0x10;  // a 4-channel model whose subtype the table lacks
    ASSERT_TRUE(OpenDevice(config));
    EXPECT_EQ(Device().deviceSubtype, 0x05019610u);
    EXPECT_EQ(Device().channelCount, sim::EffectiveChannelCount(config));
}

TEST_F(DeviceChannels, UnknownSubtypeWithoutCapabilitiesGetsSixteen) {
    sim::RecorderConfig config;
    config.family = 0x96;
    config.model = 0x10;
    config.faults.mctp.all_unknown = true;
    ASSERT_TRUE(OpenDevice(config));
    EXPECT_EQ(Device().channelCount, kFallbackChannelCount);
}

TEST_F(DeviceChannels, ChannelEqualToTheCountIsRefusedByEveryOperation) {
    ASSERT_TRUE(OpenDevice());
    CDevice& device = Device();
    ASSERT_EQ(device.channelCount, 8);
    media::test::MemoryWindow window;
    for (int32_t channel : {device.channelCount, -1}) {
        SCOPED_TRACE(channel);
        EXPECT_NE(device.StartRealPlay(window.Window(), channel), 0);
        EXPECT_EQ(device.StopRealPlay(channel), 0);
        EXPECT_EQ(device.OpenStreamSound(channel), 0);
        EXPECT_EQ(device.PtzAction(channel, 1, 4), 0);
        EXPECT_EQ(device.StartRecord(channel), 0);
        EXPECT_EQ(device.StopRecord(channel), 0);
        uint8_t pixels[16];
        int32_t width = 0;
        int32_t height = 0;
        EXPECT_EQ(device.CaptureImage(channel, pixels, &width, &height), 0);
        device.SelectSoundChannel(channel);
        CDevice::OnRealData(device.handle, channel, 2, nullptr, -3, &device);
    }
    EXPECT_TRUE(Recorder().Observed().StreamIds().empty());
    ShowPostedTexts();
    EXPECT_EQ(ui_.shown.size(), 2u) << "each refused capture says so";
    EXPECT_EQ(LogText().find("重新连接视频"), std::string::npos);

    // The last channel itself works.
    EXPECT_EQ(device.PtzAction(device.channelCount - 1, 1, 4), 1);
    // The recorder does not answer a PTZ action: wait until it has read it.
    ASSERT_TRUE(WaitUntil([&] { return !Recorder().Observed().PtzActions().empty(); }, 10000));
    const auto actions = Recorder().Observed().PtzActions();
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].parameter, 7u);
    EXPECT_EQ(actions[0].command, 1u);
    EXPECT_EQ(actions[0].speed, 4u);
}

}  // namespace
}  // namespace kestrel::client::test
