// Pictures of a live handle fed frame by frame: first-frame set-up, the
// renderer's size rules, the order of presented frames, restarts and the
// display settings, all through the exports into a memory window.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "memory_window.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"

namespace kestrel::media {
namespace {

constexpr uint32_t kH264Type = 0x01000203;
constexpr int kWaitMs = 20000;  // generous: sanitizer builds on a loaded machine
constexpr uint64_t kFrameUs = 40000;

struct Clip {
    sim::MediaClip units;
    std::vector<std::string> md5s;
};

std::optional<Clip> LoadClip(const std::string& name) {
    std::string error;
    auto units = sim::MediaClip::Load(test::MediaFile(name + ".h264"), &error);
    if (!units) {
        ADD_FAILURE() << error;
        return std::nullopt;
    }
    return Clip{std::move(*units), test::FrameMd5s(test::MediaFile(name + ".framemd5"))};
}

// A clip too narrow for set-up, encoded at test time.
std::optional<sim::MediaClip> NarrowClip() {
    std::random_device random;
    const std::filesystem::path file = std::filesystem::path(::testing::TempDir()) /
                                       ("kestrel_narrow_" + std::to_string(random()) + ".h264");
    const std::string command =
        "ffmpeg -nostdin -v error -f lavfi -i testsrc=size=96x64:rate=25 -frames:v 5 "
        "-pix_fmt yuv420p -c:v libx264 -profile:v baseline -x264-params aud=1 -f h264 -y '" +
        file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        ADD_FAILURE() << "ffmpeg failed: " << command;
        return std::nullopt;
    }
    std::string error;
    auto clip = sim::MediaClip::Load(file.string(), &error);
    std::filesystem::remove(file);
    EXPECT_TRUE(clip) << error;
    return clip;
}

// One video record exactly as long as its header says (no padding).
std::vector<uint8_t> VideoRecord(std::span<const uint8_t> access_unit, uint64_t pts_us) {
    std::vector<uint8_t> record;
    sim::VideoFrame frame;
    frame.pts_us = pts_us;
    frame.payload = access_unit;
    sim::AppendVideoRecord(record, frame);
    record.resize(sim::kVideoHeaderSize + access_unit.size());
    return record;
}

class LivePicture : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        handle_ = QW_DVR_MEDIA_OpenDecoder(kH264Type, 0, 0, GetParam());
        ASSERT_NE(handle_, nullptr);
        KmVideoWindow* window = window_.Window();
        const int32_t channel = 0;
        ASSERT_EQ(QW_DVR_MEDIA_StartPlay(handle_, &window, 1, &channel, 1, 0), 0);
    }
    void TearDown() override {
        EXPECT_EQ(QW_DVR_MEDIA_StopPlay(handle_, 0), 0);
        EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(handle_), 0);
    }
    void Feed(const sim::MediaClip& clip, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const std::vector<uint8_t> record =
                VideoRecord(clip.AccessUnit(i % clip.AccessUnitCount()), pts_);
            pts_ += kFrameUs;
            ASSERT_EQ(QW_DVR_MEDIA_InputDataToDecoder(handle_, 1, record.data(),
                                                      static_cast<int32_t>(record.size())),
                      0);
        }
    }

    QW_DECODER_HANDLE handle_ = nullptr;
    test::MemoryWindow window_{KM_FORMAT_YUY2, true};
    uint64_t pts_ = 1000000;
};

TEST_P(LivePicture, NarrowFirstPicturesOpenNoRendererAndASizeChangeReopensOnce) {
    const std::optional<sim::MediaClip> narrow = NarrowClip();
    const std::optional<Clip> cif = LoadClip("clip_cif");
    const std::optional<Clip> d1 = LoadClip("clip_d1");
    ASSERT_TRUE(narrow && cif && d1);

    Feed(*narrow, narrow->AccessUnitCount());
    Feed(cif->units, 30);
    ASSERT_TRUE(window_.WaitForCount(30, kWaitMs));
    EXPECT_EQ(window_.Clears(), 0) << "the narrow pictures must not have opened the renderer";

    Feed(d1->units, 40);
    ASSERT_TRUE(window_.WaitForCount(70, kWaitMs));
    EXPECT_EQ(window_.Clears(), 1) << "one re-open for the size change";

    const std::vector<test::PresentedPicture> pictures = window_.Pictures();
    ASSERT_EQ(pictures.size(), 70u);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const bool first_part = i < 30;
        const Clip& clip = first_part ? *cif : *d1;
        const size_t frame = first_part ? i : i - 30;
        EXPECT_EQ(pictures[i].format, KM_FORMAT_YUY2);
        EXPECT_EQ(pictures[i].width, first_part ? 352 : 704) << i;
        EXPECT_EQ(pictures[i].height, first_part ? 288 : 576) << i;
        EXPECT_TRUE(pictures[i].chroma_rows_paired) << i;
        EXPECT_EQ(pictures[i].md5_yuv420, clip.md5s.at(frame)) << "picture " << i;
    }
}

TEST_P(LivePicture, BrokenAndForeignRecordsAreSkipped) {
    const std::optional<Clip> cif = LoadClip("clip_cif");
    ASSERT_TRUE(cif);
    Feed(cif->units, 5);
    // A record of the right length whose payload is noise, and one whose
    // length disagrees with its header (refused at input).
    std::vector<uint8_t> noise(3000);
    std::mt19937 random(7);
    for (uint8_t& byte : noise) {
        byte = static_cast<uint8_t>(random());
    }
    const std::vector<uint8_t> record = VideoRecord(noise, pts_);
    pts_ += kFrameUs;
    ASSERT_EQ(QW_DVR_MEDIA_InputDataToDecoder(handle_, 1, record.data(),
                                              static_cast<int32_t>(record.size())),
              0);
    EXPECT_EQ(QW_DVR_MEDIA_InputDataToDecoder(handle_, 2, record.data(),
                                              static_cast<int32_t>(record.size()) - 1),
              QW_MEDIA_ERR_BAD_FRAME_LENGTH);
    Feed(cif->units, 25);  // frames 0..24 again: an IDR first
    ASSERT_TRUE(window_.WaitForCount(30, kWaitMs));
    const std::vector<test::PresentedPicture> pictures = window_.Pictures();
    for (size_t i = 0; i < 30; ++i) {
        const size_t frame = i < 5 ? i : i - 5;
        EXPECT_EQ(pictures[i].md5_yuv420, cif->md5s.at(frame)) << "picture " << i;
    }
}

TEST_P(LivePicture, BrightnessLiftsLumaAndTextDrawsIntoThePicture) {
    const std::optional<Clip> cif = LoadClip("clip_cif");
    ASSERT_TRUE(cif);
    ASSERT_EQ(QW_DVR_MEDIA_SetChBrightness(handle_, 0, 255), 0);
    Feed(cif->units, 3);
    ASSERT_TRUE(window_.WaitForCount(3, kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_SetChBrightness(handle_, 0, 0), 0);
    ASSERT_EQ(QW_DVR_MEDIA_SetOsd(handle_, 0, 1, "CAM 01", 0, 0xFF), 0);
    Feed(cif->units, 3);
    ASSERT_TRUE(window_.WaitForCount(6, kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_SetShowInfo(nullptr, 1), 0);  // hides the text
    Feed(cif->units, 3);
    ASSERT_TRUE(window_.WaitForCount(9, kWaitMs));
    ASSERT_EQ(QW_DVR_MEDIA_SetShowInfo(nullptr, 0), 0);

    const std::vector<test::PresentedPicture> pictures = window_.Pictures();
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NE(pictures[i].md5_yuv420, cif->md5s[i]) << "full brightness must change luma";
        const std::vector<uint8_t>& pixels = pictures[i].pixels;
        ASSERT_EQ(pixels.size(), 352u * 288u * 2u);
        size_t white = 0;
        for (size_t at = 0; at < pixels.size(); at += 2) {
            white += pixels[at] == 255 ? 1 : 0;
        }
        EXPECT_EQ(white, 352u * 288u) << "every luma byte lifted to white, picture " << i;
    }
    for (size_t i = 3; i < 6; ++i) {
        EXPECT_NE(pictures[i].md5_yuv420, cif->md5s[i - 3]) << "the text must be drawn";
    }
    for (size_t i = 6; i < 9; ++i) {
        EXPECT_EQ(pictures[i].md5_yuv420, cif->md5s[i - 6]) << "hidden text, no lift";
    }
}

INSTANTIATE_TEST_SUITE_P(BufferModes, LivePicture, ::testing::Values(0, 1));

// A window that takes planar pictures gets them in place of YUY2.
class LivePlanarPicture : public LivePicture {
protected:
    void SetUp() override {
        window_.Window()->formats = KM_FORMAT_I420 | KM_FORMAT_YUY2 | KM_FORMAT_RGB32;
        LivePicture::SetUp();
    }
};

TEST_P(LivePlanarPicture, PicturesArriveAsTheDecodedPlanesAcrossASizeChange) {
    const std::optional<Clip> cif = LoadClip("clip_cif");
    const std::optional<Clip> d1 = LoadClip("clip_d1");
    ASSERT_TRUE(cif && d1);
    Feed(cif->units, 10);
    Feed(d1->units, 10);
    ASSERT_TRUE(window_.WaitForCount(20, kWaitMs));

    const std::vector<test::PresentedPicture> pictures = window_.Pictures();
    ASSERT_EQ(pictures.size(), 20u);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const bool first_part = i < 10;
        EXPECT_EQ(pictures[i].format, KM_FORMAT_I420);
        EXPECT_EQ(pictures[i].width, first_part ? 352 : 704) << i;
        EXPECT_EQ(pictures[i].md5_yuv420, (first_part ? cif : d1)->md5s.at(i % 10)) << i;
    }
    EXPECT_EQ(window_.Clears(), 1) << "one re-open for the size change";
}

INSTANTIATE_TEST_SUITE_P(BufferModes, LivePlanarPicture, ::testing::Values(0, 1));

}  // namespace
}  // namespace kestrel::media
