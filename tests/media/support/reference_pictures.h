// Pictures the render tests share: the first frame of a simulator clip as
// packed YUY2, and the comparison of B G R pictures with ffmpeg's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::media::test {

constexpr int kD1Width = 704;
constexpr int kD1Height = 576;

// Allowed difference per channel from ffmpeg's default conversion: that
// works with coarser fixed-point coefficients than ours and lands up to 3
// off the exactly rounded BT.601 value; ours stays within 1 of it.
constexpr int kRgbMaxDifference = 3;
constexpr double kRgbMeanDifference = 1.0;

struct Yuy2Picture {
    std::vector<uint8_t> bytes;  // empty after a test failure
    size_t stride = 0;
    int width = 0;
    int height = 0;
};

// Frame 0 of a clip in the simulator's media folder, decoded by ffmpeg and
// packed as YUY2 rows of 2 * width + padding bytes.
Yuy2Picture FirstFrameAsYuy2(const std::string& clip, int width, int height, size_t padding);

struct ChannelDifference {
    int max = 0;
    double mean = 0.0;
};

// Compares the B, G and R bytes of two pictures of width x height pixels
// in unpadded rows, whose pixels take pixel_bytes (3 or 4) each.
ChannelDifference CompareBgr(const uint8_t* ours, int ours_pixel_bytes, const uint8_t* theirs,
                             int theirs_pixel_bytes, int width, int height);

}  // namespace kestrel::media::test
