// The export layer's dispatch rules: handle checks, channel index rules,
// the display setting results and the argument checks of every export.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kestrel_media.h"
#include "memory_window.h"

namespace kestrel::media {
namespace {

constexpr uint32_t kH264Type = 0x01000203;
constexpr uint32_t kShowInfoType = 0x01000202;
constexpr uint32_t kSingleSlotType = 0x01000101;
constexpr uint32_t kSharedDisplayType = 0x01000102;

// A live handle closed when the test ends.
struct LiveHandle {
    explicit LiveHandle(uint32_t type, uint32_t subtype = 0, int32_t buffer_mode = 0)
        : handle(QW_DVR_MEDIA_OpenDecoder(type, subtype, 0, buffer_mode)) {}
    ~LiveHandle() { QW_DVR_MEDIA_CloseDecoder(handle); }
    int32_t Start(int32_t channel, KmVideoWindow* window = nullptr) {
        return QW_DVR_MEDIA_StartPlay(handle, &window, 1, &channel, 1, 0);
    }
    QW_DECODER_HANDLE handle;
};

// Whether a slot holds a player, seen through the text export.
bool SlotStarted(const LiveHandle& live, int32_t channel) {
    return QW_DVR_MEDIA_SetOsd(live.handle, channel, 0, nullptr, 0, 0) == QW_MEDIA_OK;
}

TEST(MediaDispatch, VersionNeedsNoHandle) {
    EXPECT_EQ(std::string(QW_DVR_MEDIA_GetDecoderSDKVersion()), "1.1.0.3");
}

TEST(MediaDispatch, NullHandlesAreBadArguments) {
    const uint8_t byte = 0;
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(nullptr), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(nullptr, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(nullptr, 0, &byte, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(nullptr, 0, 1, "x", 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(nullptr, 0, 5), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_PCPause(nullptr, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(nullptr, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(nullptr, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(nullptr, nullptr, nullptr),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_InputTalkData(nullptr, &byte, 1, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_CloseTalk(nullptr), QW_MEDIA_ERR_BAD_ARGUMENT);
}

TEST(MediaDispatch, StartPlayChecksTheChannelCount) {
    LiveHandle live(kH264Type);
    ASSERT_NE(live.handle, nullptr);
    KmVideoWindow* window = nullptr;
    const int32_t channel = 0;
    EXPECT_EQ(QW_DVR_MEDIA_StartPlay(live.handle, &window, 1, &channel, 0, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_StartPlay(live.handle, &window, 1, &channel, 17, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_StartPlay(live.handle, &window, 1, nullptr, 1, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(live.handle, 1), QW_MEDIA_ERR_NOTHING_TO_DO)
        << "a refused start must start nothing";
    std::vector<int32_t> sixteen(16, 0);
    EXPECT_EQ(QW_DVR_MEDIA_StartPlay(live.handle, &window, 1, sixteen.data(), 16, 0), 0);
    EXPECT_TRUE(SlotStarted(live, 0));
}

TEST(MediaDispatch, ChannelSixteenIsSlotZeroExceptOnTheSingleSlotType) {
    LiveHandle live(kH264Type);
    EXPECT_EQ(live.Start(16), QW_MEDIA_OK);
    EXPECT_TRUE(SlotStarted(live, 0));
    EXPECT_FALSE(SlotStarted(live, 1));
    EXPECT_EQ(live.Start(17), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(live.Start(-1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(live.handle, 16), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(live.handle, 0), QW_MEDIA_OK);
    EXPECT_FALSE(SlotStarted(live, 0));
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(live.handle, 0), QW_MEDIA_OK) << "stopping an empty slot";

    LiveHandle single(kSingleSlotType);
    EXPECT_EQ(single.Start(16), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_FALSE(SlotStarted(single, 0));
    EXPECT_EQ(single.Start(15), QW_MEDIA_OK);
    EXPECT_TRUE(SlotStarted(single, 15));
}

TEST(MediaDispatch, RestartingAChannelReplacesItsPlayer) {
    LiveHandle live(kH264Type);
    test::MemoryWindow first;
    test::MemoryWindow second;
    EXPECT_EQ(live.Start(3, first.Window()), QW_MEDIA_OK);
    EXPECT_EQ(live.Start(3, second.Window()), QW_MEDIA_OK);
    EXPECT_TRUE(SlotStarted(live, 3));
    EXPECT_EQ(QW_DVR_MEDIA_StopPlay(live.handle, 3), QW_MEDIA_OK);
}

TEST(MediaDispatch, LegacyBrightnessChangesNothing) {
    EXPECT_EQ(QW_DVR_MEDIA_SetBrightness(1, 5), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_SetBrightness(1, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_SetBrightness(0, 5), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetBrightness(1, 16), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetBrightness(1, -1), QW_MEDIA_ERR_BAD_ARGUMENT);
}

TEST(MediaDispatch, ChannelBrightnessChecksAndTargets) {
    LiveHandle live(kH264Type);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(live.handle, 2, 10), QW_MEDIA_ERR_FAILED);
    ASSERT_EQ(live.Start(2), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(live.handle, 2, 255), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(live.handle, 2, 256), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(live.handle, 2, -1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(live.handle, 16, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
}

TEST(MediaDispatch, OnScreenTextChecksItsArguments) {
    LiveHandle live(kH264Type);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, "CAM 1", 0, 255), QW_MEDIA_ERR_FAILED);
    ASSERT_EQ(live.Start(1), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, "CAM 1", 0, 255), QW_MEDIA_OK);
    const std::string fifty(50, 'x');
    const std::string fifty_one(51, 'x');
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, fifty.c_str(), 3, 0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, fifty_one.c_str(), 3, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, "x", 0, 256), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, "x", 4, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 1, nullptr, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 1, 0, nullptr, 9, 999), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, 16, 0, nullptr, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(live.handle, -1, 0, nullptr, 0, 0), QW_MEDIA_ERR_BAD_ARGUMENT);
}

TEST(MediaDispatch, SharedDisplayTypesSetSlotZero) {
    LiveHandle by_type(kSharedDisplayType);
    ASSERT_EQ(by_type.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(by_type.handle, 5, 1, "x", 0, 0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetChBrightness(by_type.handle, 9, 3), QW_MEDIA_OK);

    LiveHandle by_subtype(kH264Type, 0x01030607);
    ASSERT_EQ(by_subtype.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(by_subtype.handle, 7, 1, "x", 1, 0), QW_MEDIA_OK);

    LiveHandle plain(kH264Type);
    ASSERT_EQ(plain.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetOsd(plain.handle, 7, 1, "x", 1, 0), QW_MEDIA_ERR_FAILED);
}

TEST(MediaDispatch, ShowInfoCombinesTheChannels) {
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(nullptr, 0), QW_MEDIA_OK);

    LiveHandle h264(kH264Type);
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(h264.handle, 1), QW_MEDIA_ERR_NOTHING_TO_DO);
    ASSERT_EQ(h264.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(h264.handle, 1), QW_MEDIA_ERR_FAILED);

    LiveHandle older(kShowInfoType);
    ASSERT_EQ(older.Start(0), QW_MEDIA_OK);
    ASSERT_EQ(older.Start(4), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_SetShowInfo(older.handle, 1), QW_MEDIA_OK);
}

TEST(MediaDispatch, LiveHandlesRefuseFileControls) {
    LiveHandle live(kH264Type);
    EXPECT_EQ(QW_DVR_MEDIA_PCPause(live.handle, 1), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetDirection(live.handle, 2), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetFrameInterval(live.handle, 40), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetPos(live.handle, 0, nullptr, 0, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCNextFrame(live.handle), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_PCPrevFrame(live.handle), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_SetFileLengthRP3(live.handle, 100, "x"), QW_MEDIA_ERR_FAILED);
    EXPECT_EQ(QW_DVR_MEDIA_RegistFilePlayInfoCallBack(live.handle, nullptr, nullptr),
              QW_MEDIA_ERR_FAILED);
    // The one live use of the rate: the channels' wake-up timer.
    ASSERT_EQ(live.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(live.handle, 40), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_PCSetRate(live.handle, 0), QW_MEDIA_OK);
}

TEST(MediaDispatch, SoundAndSnapshotExportsCheckArguments) {
    LiveHandle live(kH264Type);
    EXPECT_EQ(QW_DVR_MEDIA_SetVolume(live.handle, 0, 65536), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetVolume(live.handle, 16, 100), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(live.handle, -1), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetMute(live.handle, 16, 1), QW_MEDIA_ERR_BAD_ARGUMENT);
    std::vector<uint8_t> pixels(16);
    int32_t width = 0;
    int32_t height = 0;
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(live.handle, 17, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(live.handle, 0, nullptr, &width, &height, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_Save2BMPFile(nullptr, pixels.data(), 2, 2), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_Save2BMPFile("x.bmp", pixels.data(), 0, 2), QW_MEDIA_ERR_BAD_ARGUMENT);
}

TEST(MediaDispatch, RawInputOutsideTheH264GroupFillsTheBufferThenRefuses) {
    LiveHandle older(kShowInfoType);
    ASSERT_EQ(older.Start(0), QW_MEDIA_OK);
    const std::vector<uint8_t> block(64 * 1024, 0x30);
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(QW_DVR_MEDIA_InputDataToDecoder(older.handle, 0, block.data(),
                                                  static_cast<int32_t>(block.size())),
                  QW_MEDIA_OK)
            << "block " << i;
    }
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(older.handle, 0, block.data(), 1),
              QW_MEDIA_ERR_INPUT_FULL);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(older.handle, 0, nullptr, 5),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(older.handle, 9, block.data(), 5), QW_MEDIA_OK);
    // Restarting a channel empties the buffer.
    ASSERT_EQ(older.Start(0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(older.handle, 0, block.data(), 1), QW_MEDIA_OK);
}

}  // namespace
}  // namespace kestrel::media
