// The renderer with a memory window: what reaches the window in I420, YUY2
// and software mode, opening rules, re-opening, brightness and text.
#include "video_renderer.h"

#include <gtest/gtest.h>

#include <vector>

#include "clip_frames.h"
#include "memory_window.h"
#include "yuv_convert.h"

namespace kestrel::media::test {
namespace {

// A real decoded CIF frame as packed YUY2 rows of `stride` bytes.
struct Yuy2Frame {
    std::vector<uint8_t> bytes;
    size_t stride = 0;
    std::string md5;  // framemd5 of the clip's frame
};

const Yuy2Frame& FirstCifFrame() {
    static const Yuy2Frame frame = [] {
        Yuy2Frame f;
        const auto decoded =
            DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "yuv420p", "bitexact", 1);
        if (!decoded) {
            return f;
        }
        const PaddedYuv420 planar(decoded->data(), kCifWidth, kCifHeight, 0);
        f.stride = 2 * kCifWidth + 32;  // padded, as a decoder's rows may be
        f.bytes.assign(f.stride * kCifHeight, 0x77);
        PlanarToYuy2(planar.planes, planar.strides, kCifWidth, kCifHeight, f.bytes.data(),
                     f.stride);
        f.md5 = FrameMd5s(MediaFile("clip_cif.framemd5")).at(0);
        return f;
    }();
    return frame;
}

// The frame without row padding, as a window keeps it.
std::vector<uint8_t> Unpadded(const Yuy2Frame& frame) {
    std::vector<uint8_t> rows;
    for (int y = 0; y < kCifHeight; ++y) {
        const auto begin = frame.bytes.begin() + static_cast<ptrdiff_t>(y * frame.stride);
        rows.insert(rows.end(), begin, begin + 2 * kCifWidth);
    }
    return rows;
}

bool DrawFrame(VideoRenderer& renderer, bool draw_text = false) {
    const Yuy2Frame& frame = FirstCifFrame();
    return renderer.Draw(frame.bytes.data(), frame.stride, kCifWidth, kCifHeight, draw_text);
}

TEST(VideoRenderer, Yuy2WindowGetsThePictureUnchanged) {
    ASSERT_FALSE(FirstCifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_YUY2 | KM_FORMAT_RGB32, true);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    EXPECT_EQ(renderer.CurrentMode(), VideoRenderer::Mode::kYuy2);
    renderer.Osd().Set(1, "hidden", 0, 0xFF);  // not drawn: draw_text is false
    ASSERT_TRUE(DrawFrame(renderer));

    const auto pictures = window.Pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].format, KM_FORMAT_YUY2);
    EXPECT_EQ(pictures[0].width, kCifWidth);
    EXPECT_EQ(pictures[0].height, kCifHeight);
    EXPECT_EQ(pictures[0].md5_yuv420, FirstCifFrame().md5);
    EXPECT_TRUE(pictures[0].chroma_rows_paired);
    EXPECT_EQ(pictures[0].pixels, Unpadded(FirstCifFrame()));
}

TEST(VideoRenderer, RgbOnlyWindowGetsTheConvertedPicture) {
    ASSERT_FALSE(FirstCifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_RGB32, true);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    EXPECT_EQ(renderer.CurrentMode(), VideoRenderer::Mode::kSoftware);
    ASSERT_TRUE(DrawFrame(renderer));

    std::vector<uint8_t> expected(size_t{4} * kCifWidth * kCifHeight);
    Yuy2ToRgb32(FirstCifFrame().bytes.data(), FirstCifFrame().stride, kCifWidth, kCifHeight,
                expected.data(), 4 * kCifWidth);
    const auto pictures = window.Pictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].format, KM_FORMAT_RGB32);
    EXPECT_EQ(pictures[0].width, kCifWidth);
    EXPECT_TRUE(pictures[0].md5_yuv420.empty());
    EXPECT_EQ(pictures[0].pixels, expected);
}

TEST(VideoRenderer, I420WindowGetsThePlanesLiftedAndWithText) {
    const auto decoded = DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "yuv420p", "bitexact", 1);
    ASSERT_TRUE(decoded.has_value());
    const PaddedYuv420 frame(decoded->data(), kCifWidth, kCifHeight, 16);
    const size_t luma_bytes = size_t{kCifWidth} * kCifHeight;
    const std::vector<uint8_t> planes(
        decoded->begin(), decoded->begin() + static_cast<ptrdiff_t>(luma_bytes * 3 / 2));
    MemoryWindow window(KM_FORMAT_I420 | KM_FORMAT_YUY2 | KM_FORMAT_RGB32, true);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    EXPECT_EQ(renderer.CurrentMode(), VideoRenderer::Mode::kI420);
    ASSERT_EQ(renderer.Osd().Set(1, "CAM 1", 1, 0xE0), 0);
    const auto draw = [&](bool text) {
        return renderer.DrawPlanar(frame.planes, frame.strides, kCifWidth, kCifHeight, text);
    };
    ASSERT_TRUE(draw(false));
    renderer.SetBrightness(255);
    ASSERT_TRUE(draw(false));
    renderer.SetBrightness(0);
    ASSERT_TRUE(draw(true));
    ASSERT_TRUE(DrawFrame(renderer));  // packed input, planar out

    const auto pictures = window.Pictures();
    ASSERT_EQ(pictures.size(), 4u);
    for (const PresentedPicture& picture : pictures) {
        EXPECT_EQ(picture.format, KM_FORMAT_I420);
        EXPECT_EQ(picture.width, kCifWidth);
        EXPECT_EQ(picture.height, kCifHeight);
    }
    EXPECT_EQ(pictures[0].md5_yuv420, FirstCifFrame().md5);
    EXPECT_EQ(pictures[0].pixels, planes);
    EXPECT_EQ(pictures[3].pixels, planes);
    for (size_t i = 0; i < planes.size(); ++i) {
        ASSERT_EQ(pictures[1].pixels[i], i < luma_bytes ? 255 : planes[i]) << i;
    }
    // The text changes luma only in its box at the top right.
    const int text_x = kCifWidth - 5 * 8 - 5;
    int changed = 0;
    for (size_t i = 0; i < luma_bytes; ++i) {
        if (pictures[2].pixels[i] != planes[i]) {
            const int x = static_cast<int>(i % kCifWidth);
            const int y = static_cast<int>(i / kCifWidth);
            ASSERT_GE(x, text_x);
            ASSERT_LT(x, kCifWidth - 5);
            ASSERT_GE(y, 5);
            ASSERT_LT(y, 5 + 16);
            ++changed;
        }
    }
    EXPECT_GT(changed, 40);
}

TEST(VideoRenderer, OpenRefusesWindowsAndSizesItCannotServe) {
    MemoryWindow no_formats(0);
    MemoryWindow yuy2(KM_FORMAT_YUY2);
    KmVideoWindow no_present = *yuy2.Window();
    no_present.present = nullptr;
    KmVideoWindow unknown_format = *yuy2.Window();
    unknown_format.formats = 0x100;

    VideoRenderer renderer;
    EXPECT_FALSE(renderer.Open(nullptr, 64, 64));
    EXPECT_FALSE(renderer.Open(no_formats.Window(), 64, 64));
    EXPECT_FALSE(renderer.Open(&no_present, 64, 64));
    EXPECT_FALSE(renderer.Open(&unknown_format, 64, 64));
    EXPECT_FALSE(renderer.Open(yuy2.Window(), 0, 64));
    EXPECT_FALSE(renderer.Open(yuy2.Window(), 64, 4097));
    EXPECT_FALSE(renderer.IsOpen());
    EXPECT_EQ(renderer.OpenCount(), 0u);
    EXPECT_FALSE(DrawFrame(renderer));
    EXPECT_EQ(yuy2.Count() + no_formats.Count(), 0u);
    EXPECT_EQ(yuy2.Clears() + no_formats.Clears(), 0);  // nothing was open to clear
}

TEST(VideoRenderer, ReopenClearsOnceAndTakesTheNewSize) {
    ASSERT_FALSE(FirstCifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_YUY2);
    {
        VideoRenderer renderer;
        ASSERT_TRUE(renderer.Open(window.Window(), 64, 48));
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
        EXPECT_EQ(window.Clears(), 1);
        EXPECT_EQ(renderer.OpenCount(), 2u);

        ASSERT_TRUE(DrawFrame(renderer));
        const std::vector<uint8_t> small(2 * 64 * 48, 16);
        EXPECT_FALSE(renderer.Draw(small.data(), 2 * 64, 64, 48, false));  // old size
        const auto pictures = window.Pictures();
        ASSERT_EQ(pictures.size(), 1u);
        EXPECT_EQ(pictures[0].width, kCifWidth);
        EXPECT_EQ(pictures[0].height, kCifHeight);

        renderer.Close();
        renderer.Close();
        EXPECT_EQ(window.Clears(), 2);
        EXPECT_FALSE(DrawFrame(renderer));
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    }
    EXPECT_EQ(window.Clears(), 3);  // the destructor closes
    EXPECT_EQ(window.Count(), 1u);
}

TEST(VideoRenderer, WindowWithoutClearCanBeClosed) {
    MemoryWindow memory(KM_FORMAT_YUY2);
    KmVideoWindow window = *memory.Window();
    window.clear = nullptr;
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(&window, 16, 16));
    renderer.Close();
    EXPECT_FALSE(renderer.IsOpen());
}

TEST(VideoRenderer, BrightnessLiftsLumaOfTheShownCopyOnly) {
    ASSERT_FALSE(FirstCifFrame().bytes.empty());
    MemoryWindow window(KM_FORMAT_YUY2, true);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
    renderer.SetBrightness(255);
    ASSERT_TRUE(DrawFrame(renderer));
    renderer.SetBrightness(0);
    ASSERT_TRUE(DrawFrame(renderer));

    const auto pictures = window.Pictures();
    ASSERT_EQ(pictures.size(), 2u);
    const std::vector<uint8_t> original = Unpadded(FirstCifFrame());
    for (size_t i = 0; i < original.size(); ++i) {
        ASSERT_EQ(pictures[0].pixels[i], i % 2 == 0 ? 255 : original[i]) << i;
    }
    EXPECT_EQ(pictures[1].pixels, original);
}

TEST(VideoRenderer, TextIsDrawnOnlyWhenAskedFor) {
    ASSERT_FALSE(FirstCifFrame().bytes.empty());
    for (const uint32_t format : {KM_FORMAT_YUY2, KM_FORMAT_RGB32}) {
        SCOPED_TRACE(format);
        MemoryWindow window(format, true);
        VideoRenderer renderer;
        ASSERT_TRUE(renderer.Open(window.Window(), kCifWidth, kCifHeight));
        ASSERT_EQ(renderer.Osd().Set(1, "CAM 1", 1, 0xE0), 0);
        ASSERT_TRUE(DrawFrame(renderer, false));
        ASSERT_TRUE(DrawFrame(renderer, true));
        ASSERT_TRUE(DrawFrame(renderer, false));

        const auto pictures = window.Pictures();
        ASSERT_EQ(pictures.size(), 3u);
        EXPECT_EQ(pictures[0].pixels, pictures[2].pixels);  // text never reaches the source
        // Only the text's box at the top right differs.
        const size_t bpp = format == KM_FORMAT_RGB32 ? 4 : 2;
        const int text_x = kCifWidth - 5 * 8 - 5;
        int changed = 0;
        for (size_t i = 0; i < pictures[0].pixels.size(); ++i) {
            if (pictures[0].pixels[i] != pictures[1].pixels[i]) {
                const int x = static_cast<int>(i % (bpp * kCifWidth) / bpp);
                const int y = static_cast<int>(i / (bpp * kCifWidth));
                ASSERT_GE(x, text_x - 1);  // a YUY2 pair's chroma may start one pixel left
                ASSERT_LT(x, kCifWidth - 5);
                ASSERT_GE(y, 5);
                ASSERT_LT(y, 5 + 16);
                ++changed;
            }
        }
        EXPECT_GT(changed, 40);
    }
}

TEST(VideoRenderer, PlanarPicturesShowAndCaptureAsTheirYuy2) {
    // Two frames drawn in turn, so a swap of the wrong surface or a stale
    // picture shows; brightness and text take the planar path through the
    // surface, their absence the one-pass conversion.
    const auto decoded = DecodeWithFfmpeg("", MediaFile("clip_cif.h264"), "yuv420p", "bitexact", 2);
    ASSERT_TRUE(decoded.has_value());
    const size_t frame_bytes = Yuv420FrameBytes(kCifWidth, kCifHeight);
    const PaddedYuv420 planar[2] = {
        PaddedYuv420(decoded->data(), kCifWidth, kCifHeight, 16),
        PaddedYuv420(decoded->data() + frame_bytes, kCifWidth, kCifHeight, 16)};
    std::vector<uint8_t> packed[2];
    for (int i = 0; i < 2; ++i) {
        packed[i].resize(2 * kCifWidth * kCifHeight);
        PlanarToYuy2(planar[i].planes, planar[i].strides, kCifWidth, kCifHeight, packed[i].data(),
                     2 * kCifWidth);
    }
    ASSERT_NE(packed[0], packed[1]);
    const size_t capture_bytes = size_t{3} * kCifWidth * kCifHeight;
    for (const uint32_t formats : {KM_FORMAT_I420, KM_FORMAT_YUY2, KM_FORMAT_RGB32}) {
        for (const int brightness : {0, 90}) {
            for (const bool text : {false, true}) {
                MemoryWindow planar_window(formats, true);
                MemoryWindow packed_window(formats, true);
                VideoRenderer from_planes;
                VideoRenderer from_packed;
                ASSERT_TRUE(from_planes.Open(planar_window.Window(), kCifWidth, kCifHeight));
                ASSERT_TRUE(from_packed.Open(packed_window.Window(), kCifWidth, kCifHeight));
                for (VideoRenderer* renderer : {&from_planes, &from_packed}) {
                    renderer->SetBrightness(brightness);
                    ASSERT_EQ(renderer->Osd().Set(1, "CAM 1", 1, 0xE0), 0);
                }
                for (int draw = 0; draw < 3; ++draw) {
                    const int i = draw % 2;
                    ASSERT_TRUE(from_planes.DrawPlanar(planar[i].planes, planar[i].strides,
                                                       kCifWidth, kCifHeight, text));
                    ASSERT_TRUE(from_packed.Draw(packed[i].data(), 2 * kCifWidth, kCifWidth,
                                                 kCifHeight, text));
                    std::vector<uint8_t> planar_capture(capture_bytes);
                    std::vector<uint8_t> packed_capture(capture_bytes, 1);
                    ASSERT_TRUE(from_planes.Capture(planar_capture.data(), capture_bytes, nullptr,
                                                    nullptr, false));
                    ASSERT_TRUE(from_packed.Capture(packed_capture.data(), capture_bytes, nullptr,
                                                    nullptr, false));
                    EXPECT_EQ(planar_capture, packed_capture)
                        << formats << " " << brightness << " " << text << " " << draw;
                }
                const auto shown = planar_window.Pictures();
                const auto expected = packed_window.Pictures();
                ASSERT_EQ(shown.size(), 3u);
                ASSERT_EQ(expected.size(), 3u);
                for (size_t k = 0; k < shown.size(); ++k) {
                    EXPECT_EQ(shown[k].format, expected[k].format);
                    EXPECT_EQ(shown[k].pixels, expected[k].pixels) << k;
                }
                EXPECT_NE(shown[0].pixels, shown[1].pixels);
            }
        }
    }
    VideoRenderer closed;
    EXPECT_FALSE(
        closed.DrawPlanar(planar[0].planes, planar[0].strides, kCifWidth, kCifHeight, false));
}

}  // namespace
}  // namespace kestrel::media::test
