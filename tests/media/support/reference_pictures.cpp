#include "reference_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "clip_frames.h"
#include "yuv_convert.h"

namespace kestrel::media::test {

Yuy2Picture FirstFrameAsYuy2(const std::string& clip, int width, int height, size_t padding) {
    Yuy2Picture picture;
    const auto decoded = DecodeWithFfmpeg("", MediaFile(clip), "yuv420p", "bitexact", 1);
    if (!decoded) {
        return picture;
    }
    if (decoded->size() != Yuv420FrameBytes(width, height)) {
        ADD_FAILURE() << clip << " is not " << width << "x" << height;
        return picture;
    }
    const PaddedYuv420 planar(decoded->data(), width, height, 0);
    picture.width = width;
    picture.height = height;
    picture.stride = 2 * static_cast<size_t>(width) + padding;
    picture.bytes.assign(picture.stride * static_cast<size_t>(height), 0x77);
    PlanarToYuy2(planar.planes, planar.strides, width, height, picture.bytes.data(),
                 picture.stride);
    return picture;
}

ChannelDifference CompareBgr(const uint8_t* ours, int ours_pixel_bytes, const uint8_t* theirs,
                             int theirs_pixel_bytes, int width, int height) {
    ChannelDifference result;
    int64_t total = 0;
    const int64_t pixels = int64_t{width} * height;
    for (int64_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            const int difference =
                std::abs(ours[i * ours_pixel_bytes + c] - theirs[i * theirs_pixel_bytes + c]);
            result.max = std::max(result.max, difference);
            total += difference;
        }
    }
    result.mean = pixels > 0 ? static_cast<double>(total) / (3.0 * static_cast<double>(pixels)) : 0;
    return result;
}

}  // namespace kestrel::media::test
