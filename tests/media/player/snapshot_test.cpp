// Snapshots through the exports: the picture a channel shows, captured as
// 24-bit rows and written as a bitmap that ffprobe and ffmpeg read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "memory_window.h"
#include "reference_pictures.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"

namespace kestrel::media {
namespace {

constexpr int kWaitMs = 20000;

std::filesystem::path TempFile(const std::string& suffix) {
    return std::filesystem::path(::testing::TempDir()) /
           ("kestrel_snapshot_" + std::to_string(std::random_device{}()) + suffix);
}

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        decoder_ = QW_DVR_MEDIA_OpenDecoder(0x01000207, 0, 0, 0);
        ASSERT_NE(decoder_, nullptr);
        KmVideoWindow* window = window_.Window();
        const int32_t channel = 3;
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(decoder_, &window, 1, &channel, 1, 0), 0);
    }
    void TearDown() override { QW_DVR_MEDIA_CloseDecoder(decoder_); }

    // Shows the clip's first `count` frames on channel 3.
    void Show(const std::string& clip_name, size_t count) {
        std::string error;
        auto clip = sim::MediaClip::Load(test::MediaFile(clip_name + ".h264"), &error);
        ASSERT_TRUE(clip) << error;
        for (size_t i = 0; i < count; ++i) {
            std::vector<uint8_t> record;
            sim::VideoFrame frame;
            frame.channel = 3;
            frame.pts_us = 1000000 + i * 40000;
            frame.payload = clip->AccessUnit(i);
            sim::AppendVideoRecord(record, frame);
            record.resize(sim::kVideoHeaderSize + frame.payload.size());
            ASSERT_EQ(QW_DVR_MEDIA_InputDataToDecoder(decoder_, 1, record.data(),
                                                      static_cast<int32_t>(record.size())),
                      0);
        }
        ASSERT_TRUE(window_.WaitForCount(count, kWaitMs));
    }

    QW_DECODER_HANDLE decoder_ = nullptr;
    test::MemoryWindow window_;
};

TEST_F(Snapshot, AFlippedD1CaptureSavesAnUprightBitmapOfTheFrameShown) {
    Show("clip_d1", 10);
    std::vector<uint8_t> pixels(704 * 576 * 3);
    int32_t width = 704;
    int32_t height = 576;
    ASSERT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 3, pixels.data(), &width, &height, 1), 0);
    ASSERT_EQ(width, 704);
    ASSERT_EQ(height, 576);
    const auto file = TempFile(".bmp");
    ASSERT_EQ(QW_DVR_MEDIA_Save2BMPFile(file.c_str(), pixels.data(), width, height), 0);
    EXPECT_EQ(std::filesystem::file_size(file), 1216566u);

    // ffmpeg reads the bitmap upright; it must be frame 9, the one shown.
    const auto shown = test::DecodeWithFfmpeg("", file.string(), "bgr24", "bicubic", 1);
    const auto reference =
        test::DecodeWithFfmpeg("", test::MediaFile("clip_d1.h264"), "bgr24", "bicubic", 10);
    std::filesystem::remove(file);
    ASSERT_TRUE(shown && reference);
    const size_t frame_bytes = 704 * 576 * 3;
    ASSERT_EQ(shown->size(), frame_bytes);
    ASSERT_EQ(reference->size(), 10 * frame_bytes);
    const test::ChannelDifference difference =
        test::CompareBgr(shown->data(), 3, reference->data() + 9 * frame_bytes, 3, 704, 576);
    EXPECT_LE(difference.max, test::kRgbMaxDifference);
    EXPECT_LE(difference.mean, test::kRgbMeanDifference);
}

TEST_F(Snapshot, CaptureRefusesWhatItCannotServe) {
    std::vector<uint8_t> pixels(352 * 288 * 3);
    int32_t width = 352;
    int32_t height = 288;
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 17, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 3, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_FAILED)
        << "nothing shown yet";
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 4, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_FAILED)
        << "no such channel";

    Show("clip_cif", 2);
    width = 100;  // the buffer is smaller than the picture
    height = 100;
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 3, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(width, 352) << "the caller learns the size it needs";
    EXPECT_EQ(height, 288);
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 3, pixels.data(), &width, &height, 0), 0);
    width = 352;
    height = 288;
    EXPECT_EQ(QW_DVR_MEDIA_CaptureVideoImage(decoder_, 16, pixels.data(), &width, &height, 0),
              QW_MEDIA_ERR_FAILED)
        << "16 is slot 0, which is empty";
}

TEST(SnapshotFile, ATwoByTwoBitmapHasPaddedRows) {
    const uint8_t pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const auto file = TempFile(".bmp");
    ASSERT_EQ(QW_DVR_MEDIA_Save2BMPFile(file.c_str(), pixels, 2, 2), 0);
    EXPECT_EQ(std::filesystem::file_size(file), 70u);
    std::filesystem::remove(file);
    EXPECT_EQ(QW_DVR_MEDIA_Save2BMPFile("/nonexistent-folder/x.bmp", pixels, 2, 2),
              QW_MEDIA_ERR_FILE_OPEN);
}

}  // namespace
}  // namespace kestrel::media
