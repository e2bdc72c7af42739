// Bitmap files read back byte by byte and by ffprobe and ffmpeg.
#include "bmp_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "clip_frames.h"
#include "kestrel_media.h"
#include "memory_window.h"
#include "reference_pictures.h"
#include "video_renderer.h"

namespace kestrel::media::test {
namespace {

namespace fs = std::filesystem;

// A file name of its own in the test's temporary folder, removed at the end.
class TempFile {
public:
    explicit TempFile(const std::string& suffix) {
        std::random_device random;
        path_ = fs::path(::testing::TempDir()) /
                ("kestrel_bmp_" + std::to_string(random()) + "_" + suffix);
    }
    ~TempFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    std::string Name() const { return path_.string(); }

private:
    fs::path path_;
};

std::vector<uint8_t> ReadFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Le16(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | uint32_t{bytes[at + 1]} << 8;
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t at) {
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}

// What a shell command prints, or "" (after a test failure) when it fails.
std::string OutputOf(const std::string& command) {
    const TempFile output("stdout.txt");
    const int status = std::system((command + " > '" + output.Name() + "'").c_str());
    if (status != 0) {
        ADD_FAILURE() << "failed (" << status << "): " << command;
        return "";
    }
    const std::vector<uint8_t> bytes = ReadFile(output.Name());
    return std::string(bytes.begin(), bytes.end());
}

std::string Probe(const std::string& name) {
    return OutputOf("ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 '" +
                    name + "'");
}

std::vector<uint8_t> RandomPixels(int width, int height) {
    std::mt19937 random(static_cast<uint32_t>(width * 1000 + height));
    std::vector<uint8_t> pixels(size_t{3} * width * height);
    for (uint8_t& byte : pixels) {
        byte = static_cast<uint8_t>(random());
    }
    return pixels;
}

TEST(SaveBmp24, TwoByTwoPictureHasBothHeadersAndPaddedRows) {
    const uint8_t pixels[12] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60,   // top row
                                0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0};  // bottom row
    const TempFile file("2x2.bmp");
    {
        // A longer file already there is truncated.
        std::ofstream(file.Name(), std::ios::binary) << std::string(500, 'x');
    }
    ASSERT_EQ(SaveBmp24(file.Name().c_str(), pixels, 2, 2), 0);
    const std::vector<uint8_t> bytes = ReadFile(file.Name());
    ASSERT_EQ(bytes.size(), 70u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(Le32(bytes, 2), 70u);   // file size
    EXPECT_EQ(Le32(bytes, 6), 0u);    // reserved
    EXPECT_EQ(Le32(bytes, 10), 54u);  // pixel offset
    EXPECT_EQ(Le32(bytes, 14), 40u);  // info header size
    EXPECT_EQ(Le32(bytes, 18), 2u);
    EXPECT_EQ(Le32(bytes, 22), 2u);  // positive: bottom-up
    EXPECT_EQ(Le16(bytes, 26), 1u);  // planes
    EXPECT_EQ(Le16(bytes, 28), 24u);
    EXPECT_EQ(Le32(bytes, 30), 0u);   // no compression
    EXPECT_EQ(Le32(bytes, 34), 16u);  // two rows of 6 bytes padded to 8
    for (size_t i = 38; i < 54; ++i) {
        EXPECT_EQ(bytes[i], 0) << i;
    }
    // The rows in the order given, each with two zero bytes.
    const std::vector<uint8_t> rows(bytes.begin() + 54, bytes.end());
    const std::vector<uint8_t> expected = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0, 0,
                                           0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0, 0};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(Probe(file.Name()), "bmp,2,2\n");
}

TEST(SaveBmp24, RowsOfEveryWidthAreReadBottomUpByFfmpeg) {
    // Widths 1..4 need every padding of 3, 2, 1 and 0 bytes.
    constexpr int kHeight = 3;
    for (int width = 1; width <= 5; ++width) {
        SCOPED_TRACE(width);
        const std::vector<uint8_t> pixels = RandomPixels(width, kHeight);
        const TempFile file("w" + std::to_string(width) + ".bmp");
        ASSERT_EQ(SaveBmp24(file.Name().c_str(), pixels.data(), width, kHeight), 0);
        const size_t padded_row = (3 * static_cast<size_t>(width) + 3) / 4 * 4;
        EXPECT_EQ(fs::file_size(file.Name()), 54 + padded_row * kHeight);

        const auto decoded = DecodeWithFfmpeg("", file.Name(), "bgr24", "bicubic", 1);
        ASSERT_TRUE(decoded.has_value());
        // The first row given is the bottom one.
        const size_t row = 3 * static_cast<size_t>(width);
        std::vector<uint8_t> upright;
        for (int y = kHeight - 1; y >= 0; --y) {
            upright.insert(upright.end(), pixels.begin() + static_cast<ptrdiff_t>(y * row),
                           pixels.begin() + static_cast<ptrdiff_t>((y + 1) * row));
        }
        EXPECT_EQ(*decoded, upright);
    }
}

TEST(SaveBmp24, FlippedCaptureOfTheD1FrameIsReadUprightByFfmpeg) {
    const Yuy2Picture frame = FirstFrameAsYuy2("clip_d1.h264", kD1Width, kD1Height, 0);
    ASSERT_FALSE(frame.bytes.empty());
    MemoryWindow window(KM_FORMAT_YUY2);
    VideoRenderer renderer;
    ASSERT_TRUE(renderer.Open(window.Window(), kD1Width, kD1Height));
    ASSERT_TRUE(renderer.Draw(frame.bytes.data(), frame.stride, kD1Width, kD1Height, false));
    std::vector<uint8_t> captured(size_t{3} * kD1Width * kD1Height);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(renderer.Capture(captured.data(), captured.size(), &width, &height, true));

    const TempFile file("d1.bmp");
    ASSERT_EQ(SaveBmp24(file.Name().c_str(), captured.data(), width, height), 0);
    EXPECT_EQ(fs::file_size(file.Name()), 1'216'566u);
    EXPECT_EQ(Probe(file.Name()), "bmp,704,576\n");

    const auto decoded = DecodeWithFfmpeg("", file.Name(), "bgr24", "bicubic", 1);
    const auto reference = DecodeWithFfmpeg("", MediaFile("clip_d1.h264"), "bgr24", "bicubic", 1);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_TRUE(reference.has_value());
    ASSERT_EQ(decoded->size(), captured.size());
    ASSERT_EQ(reference->size(), captured.size());
    // Rows upside down would be far off on average, not just in places.
    const ChannelDifference difference =
        CompareBgr(decoded->data(), 3, reference->data(), 3, kD1Width, kD1Height);
    EXPECT_LE(difference.max, kRgbMaxDifference);
    EXPECT_LE(difference.mean, kRgbMeanDifference);
}

TEST(SaveBmp24, FilesThatCannotBeCreatedOrWrittenAreReported) {
    const std::vector<uint8_t> pixels = RandomPixels(kD1Width, kD1Height);
    const TempFile missing_folder("no_such_folder");
    const std::string name = (fs::path(missing_folder.Name()) / "picture.bmp").string();
    EXPECT_EQ(SaveBmp24(name.c_str(), pixels.data(), 2, 2), QW_MEDIA_ERR_FILE_OPEN);
    EXPECT_FALSE(fs::exists(name));
    EXPECT_EQ(SaveBmp24("", pixels.data(), 2, 2), QW_MEDIA_ERR_FILE_OPEN);

    // A device that takes no bytes: the small picture fails only when the
    // buffered file is flushed, the large one while writing. Neither may
    // pass for saved, and the device is not a partial file to remove.
    const char* kFullDevice = "/dev/full";
    if (!fs::is_character_file(kFullDevice)) {
        GTEST_SKIP() << kFullDevice << " not available";
    }
    EXPECT_EQ(SaveBmp24(kFullDevice, pixels.data(), 2, 2), QW_MEDIA_ERR_FILE_OPEN);
    EXPECT_EQ(SaveBmp24(kFullDevice, pixels.data(), kD1Width, kD1Height), QW_MEDIA_ERR_FILE_OPEN);
    EXPECT_TRUE(fs::is_character_file(kFullDevice));
}

TEST(SaveBmp24, BadArgumentsAreRefusedWithoutAFile) {
    // Far smaller than the oversized pictures below claim: reading them
    // would overrun it.
    const std::vector<uint8_t> pixels = RandomPixels(2, 2);
    const TempFile file("bad.bmp");
    const std::string file_name = file.Name();
    const char* name = file_name.c_str();
    const struct {
        const char* name;
        const uint8_t* pixels;
        int width;
        int height;
    } cases[] = {
        {nullptr, pixels.data(), 2, 2},
        {name, nullptr, 2, 2},
        {name, pixels.data(), 0, 2},
        {name, pixels.data(), 2, 0},
        {name, pixels.data(), -2, 2},
        {name, pixels.data(), 2, INT_MIN},
        // Image sizes beyond the 32-bit fields of the headers.
        {name, pixels.data(), 40000, 40000},
        {name, pixels.data(), INT_MAX, 1},
        {name, pixels.data(), 1, INT_MAX},
        {name, pixels.data(), 0x55555555, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        EXPECT_EQ(SaveBmp24(c.name, c.pixels, c.width, c.height), QW_MEDIA_ERR_BAD_ARGUMENT);
        EXPECT_FALSE(fs::exists(file.Name()));
    }
}

}  // namespace
}  // namespace kestrel::media::test
