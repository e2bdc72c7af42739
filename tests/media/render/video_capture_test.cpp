// Captures of what the renderer showed: against ffmpeg's decoding of the
// same frame in every mode, against what the window got, the refusals, and
// while the channel thread keeps drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "clip_frames.h"
#include "memory_window.h"
#include "reference_pictures.h"
#include "video_renderer.h"
#include "yuv_convert.h"

namespace kestrel::media::test {
namespace {

constexpr size_t kCaptureBytes = size_t{3} * kCifWidth * kCifHeight;

struct ModeCase {
    uint32_t formats;
    VideoRenderer::Mode mode;
};

constexpr ModeCase kModes[] = {{KM_FORMAT_YUY2 | KM_FORMAT_RGB32, VideoRenderer::Mode::kYuy2},
                               {KM_FORMAT_RGB32, VideoRenderer::Mode::kSoftware},
                               {KM_FORMAT_I420 | KM_FORMAT_YUY2, VideoRenderer::Mode::kI420}};

const Yuy2Picture& CifFrame() {
    // Padded rows, as a decoder's may be.
    static const Yuy2Picture frame = FirstFrameAsYuy2("clip_cif.h264", kCifWidth, kCifHeight, 32);
    return frame;
}

bool DrawCifFrame(VideoRenderer& renderer, bool draw_text = false) {
    const Yuy2Picture& frame = CifFrame();
    return renderer.Draw(frame.bytes.data(), frame.stride, frame.width, frame.height, draw_text);
}

std::vector<uint8_t> AsBgr24(const uint8_t* yuy2, size_t stride) {
    std::vector<uint8_t> bgr(kCaptureBytes);
    Yuy2ToBgr24(yuy2, stride, kCifWidth, kCifHeight, bgr.data(), 3 * kCifWidth);
    return bgr;
}

std::vector<uint8_t> RowsReversed(const std::vector<uint8_t>& picture, size_t row_bytes) {
    std::vector<uint8_t> reversed;
    for (size_t end = picture.size(); end > 0; end -= row_bytes) {
        reversed.insert(reversed.end(), picture.begin() + static_cast<ptrdiff_t>(end - row_bytes),
                        picture.begin() + static_cast<ptrdiff_t>(end));
    }
    return reversed;
}

TEST(VideoRendererCapture, MatchesFfmpegDecodingInEveryModeAndFlipReversesRows) {
    ASSERT_FALSE(CifFrame().bytes.empty());
    // See kRgbMaxDifference: ffmpeg's unscaled 4:2:0 conversion, like ours,
    // gives each chroma sample to its 2x2 pixels.
    const auto reference = DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "bgr24", "bicubic", 1);
    ASSERT_TRUE(reference.has_value());
    ASSERT_EQ(reference->size(), kCaptureBytes);

    std::vector<std::vector<uint8_t>> upright_per_mode;
    for (const ModeCase& mode : kModes) {
        SCOPED_TRACE(static_cast<int>(mode.mode));
        MemoryWindow window(mode.formats);
        VideoRenderer renderer;
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
        ASSERT_EQ(renderer.CurrentMode(), mode.mode);
        ASSERT_TRUE(DrawCifFrame(renderer));

        std::vector<uint8_t> upright(kCaptureBytes);
        int width = -1;
        int height = -1;
        ASSERT_TRUE(renderer.Capture(upright.data(), upright.size(), &width, &height, false));
        EXPECT_EQ(width, kCifWidth);
        EXPECT_EQ(height, kCifHeight);
        const ChannelDifference difference =
            CompareBgr(upright.data(), 3, reference->data(), 3, kCifWidth, kCifHeight);
        EXPECT_LE(difference.max, kRgbMaxDifference);
        // A wrong coefficient, offset or row order shows as a bias over the
        // whole picture.
        EXPECT_LE(difference.mean, kRgbMeanDifference);

        std::vector<uint8_t> flipped(kCaptureBytes);
        ASSERT_TRUE(renderer.Capture(flipped.data(), flipped.size(), &width, &height, true));
        EXPECT_EQ(flipped, RowsReversed(upright, 3 * kCifWidth));
        upright_per_mode.push_back(std::move(upright));
    }
    EXPECT_EQ(upright_per_mode[0], upright_per_mode[1]);
    EXPECT_EQ(upright_per_mode[0], upright_per_mode[2]);
}

TEST(VideoRendererCapture, HoldsTheLastPictureAsTheWindowGotIt) {
    ASSERT_FALSE(CifFrame().bytes.empty());
    const std::vector<uint8_t> plain = AsBgr24(CifFrame().bytes.data(), CifFrame().stride);
    for (const ModeCase& mode : kModes) {
        SCOPED_TRACE(static_cast<int>(mode.mode));
        MemoryWindow window(mode.formats, true);
        VideoRenderer renderer;
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
        renderer.SetBrightness(96);
        ASSERT_EQ(renderer.Osd().Set(1, "CAM 1", 1, 0xE0), 0);
        ASSERT_TRUE(DrawCifFrame(renderer, true));

        std::vector<uint8_t> captured(kCaptureBytes);
        ASSERT_TRUE(renderer.Capture(captured.data(), captured.size(), nullptr, nullptr, false));
        const auto pictures = window.Pictures();
        ASSERT_EQ(pictures.size(), 1u);
        std::vector<uint8_t> shown;
        if (pictures[0].format == KM_FORMAT_YUY2) {
            shown = AsBgr24(pictures[0].pixels.data(), 2 * kCifWidth);
        } else if (pictures[0].format == KM_FORMAT_I420) {
            const uint8_t* y = pictures[0].pixels.data();
            const uint8_t* const planes[3] = {y, y + kCifWidth * kCifHeight,
                                              y + kCifWidth * kCifHeight * 5 / 4};
            const int32_t strides[3] = {kCifWidth, kCifWidth / 2, kCifWidth / 2};
            shown.resize(kCaptureBytes);
            PlanarToBgr24(planes, strides, kCifWidth, kCifHeight, shown.data(), 3 * kCifWidth);
        } else {
            for (size_t i = 0; i < pictures[0].pixels.size(); i += 4) {
                shown.insert(shown.end(), pictures[0].pixels.begin() + static_cast<ptrdiff_t>(i),
                             pictures[0].pixels.begin() + static_cast<ptrdiff_t>(i + 3));
            }
        }
        EXPECT_EQ(captured, shown);
        EXPECT_NE(captured, plain);

        // The next picture replaces it.
        renderer.SetBrightness(0);
        ASSERT_TRUE(DrawCifFrame(renderer, false));
        ASSERT_TRUE(renderer.Capture(captured.data(), captured.size(), nullptr, nullptr, false));
        EXPECT_EQ(captured, plain);
    }
}

TEST(VideoRendererCapture, NothingShownGivesNoPictureAndNoSize) {
    ASSERT_FALSE(CifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_YUY2);
    VideoRenderer renderer;
    std::vector<uint8_t> buffer(kCaptureBytes, 0xEE);
    const auto expect_nothing = [&](const char* when) {
        SCOPED_TRACE(when);
        int width = -1;
        int height = -1;
        EXPECT_FALSE(renderer.Capture(buffer.data(), buffer.size(), &width, &height, false));
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
    };
    expect_nothing("never opened");
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    expect_nothing("opened, nothing drawn");
    const std::vector<uint8_t> small(2 * 64 * 48, 16);
    EXPECT_FALSE(renderer.Draw(small.data(), 2 * 64, 64, 48, false));
    expect_nothing("only a refused picture");
    ASSERT_TRUE(DrawCifFrame(renderer));
    renderer.Close();
    expect_nothing("closed after a picture");
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    expect_nothing("re-opened");
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
}

TEST(VideoRendererCapture, ShortBufferLearnsTheSizeAndIsNotWritten) {
    ASSERT_FALSE(CifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_RGB32);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    ASSERT_TRUE(DrawCifFrame(renderer));

    for (const bool flip : {false, true}) {
        SCOPED_TRACE(flip);
        // The last byte is a guard beyond the capacity passed.
        std::vector<uint8_t> buffer(kCaptureBytes, 0xEE);
        int width = -1;
        int height = -1;
        EXPECT_FALSE(renderer.Capture(buffer.data(), kCaptureBytes - 1, &width, &height, flip));
        EXPECT_EQ(width, kCifWidth);
        EXPECT_EQ(height, kCifHeight);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
        // A block of exactly the capacity: a write past it is a heap overflow.
        const auto exact = std::make_unique<uint8_t[]>(kCaptureBytes - 1);
        EXPECT_FALSE(renderer.Capture(exact.get(), kCaptureBytes - 1, nullptr, nullptr, flip));
    }
    int width = -1;
    int height = -1;
    EXPECT_FALSE(renderer.Capture(nullptr, 0, &width, &height, false));  // asks for the size
    EXPECT_EQ(width, kCifWidth);
    EXPECT_EQ(height, kCifHeight);
    std::vector<uint8_t> buffer(kCaptureBytes);
    EXPECT_FALSE(renderer.Capture(nullptr, buffer.size(), &width, &height, false));
    EXPECT_TRUE(renderer.Capture(buffer.data(), buffer.size(), &width, &height, false));
}

TEST(VideoRendererCapture, CapturesWholePicturesWhileTheChannelThreadDraws) {
    ASSERT_FALSE(CifFrame().bytes.empty());
    constexpr int kPictures = 120;
    constexpr int kLift = 128;
    // Every other picture is lifted, so a capture mixing two pictures
    // differs from both in every row.
    const std::vector<uint8_t> plain = AsBgr24(CifFrame().bytes.data(), CifFrame().stride);
    std::vector<uint8_t> lifted_yuy2 = CifFrame().bytes;
    LiftLuma(lifted_yuy2.data(), CifFrame().stride, kCifWidth, kCifHeight, kLift);
    const std::vector<uint8_t> lifted = AsBgr24(lifted_yuy2.data(), CifFrame().stride);

    for (const ModeCase& mode : kModes) {
        SCOPED_TRACE(static_cast<int>(mode.mode));
        MemoryWindow window(mode.formats);
        VideoRenderer renderer;
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
        std::atomic<bool> done{false};
        std::thread channel([&] {
            for (int i = 0; i < kPictures; ++i) {
                if (i == kPictures / 2) {
                    // Re-opening swaps the buffers under the capture.
                    renderer.Open(window.Window(), kCifWidth, kCifHeight);
                }
                renderer.SetBrightness(i % 2 == 0 ? 0 : kLift);
                DrawCifFrame(renderer);
            }
            done.store(true);
        });
        std::vector<uint8_t> captured(kCaptureBytes);
        int captures = 0;
        int mixed = 0;
        int wrong_size = 0;
        while (!done.load()) {
            int width = -1;
            int height = -1;
            if (renderer.Capture(captured.data(), captured.size(), &width, &height, false)) {
                ++captures;
                wrong_size += width != kCifWidth || height != kCifHeight;
                mixed += captured != plain && captured != lifted;
            } else {
                wrong_size += width != 0 || height != 0;
            }
        }
        channel.join();
        EXPECT_EQ(mixed, 0) << "of " << captures << " captures";
        EXPECT_EQ(wrong_size, 0);
        EXPECT_EQ(window.Count(), static_cast<size_t>(kPictures));
        ASSERT_TRUE(renderer.Capture(captured.data(), captured.size(), nullptr, nullptr, false));
        EXPECT_EQ(captured, lifted);  // the last picture drawn
    }
}

}  // namespace
}  // namespace kestrel::media::test
