// Reference pictures of the simulator's test clips: frames decoded by the
// ffmpeg program at test time, and the clips' framemd5 lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::media::test {

constexpr int kCifWidth = 352;
constexpr int kCifHeight = 288;

// Path of a file in the simulator's media folder.
std::string MediaFile(const std::string& name);

// The first frame_count frames of a clip as raw pictures of pix_fmt
// (e.g. "yuv420p", "bgra"), converted with the given -sws_flags; nullopt
// (after a test failure) when ffmpeg fails. Input options go before -i.
std::optional<std::vector<uint8_t>> DecodeWithFfmpeg(const std::string& input_options,
                                                     const std::string& input,
                                                     const std::string& pix_fmt,
                                                     const std::string& sws_flags, int frame_count);

// The MD5s of a framemd5 file, one per frame.
std::vector<std::string> FrameMd5s(const std::string& path);

// One planar 4:2:0 picture copied into rows padded to a larger stride, so
// the code under test has to honour strides.
struct PaddedYuv420 {
    PaddedYuv420(const uint8_t* packed, int picture_width, int picture_height, int padding);
    const uint8_t* planes[3];
    int32_t strides[3];
    int width;
    int height;
    std::vector<uint8_t> storage[3];
};

size_t Yuv420FrameBytes(int width, int height);

}  // namespace kestrel::media::test
