#include "clip_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "sim/recorder_config.h"

namespace kestrel::media::test {
namespace {

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

std::filesystem::path UniqueTempFile(const std::string& suffix) {
    std::random_device random;
    return std::filesystem::path(::testing::TempDir()) /
           ("kestrel_render_" + std::to_string(random()) + suffix);
}

}  // namespace

std::string MediaFile(const std::string& name) {
    return (std::filesystem::path(kestrel::sim::RecorderConfig::DefaultMediaFolder()) / name)
        .string();
}

std::optional<std::vector<uint8_t>> DecodeWithFfmpeg(const std::string& input_options,
                                                     const std::string& input,
                                                     const std::string& pix_fmt,
                                                     const std::string& sws_flags,
                                                     int frame_count) {
    const std::filesystem::path output = UniqueTempFile("." + pix_fmt);
    const std::string command = "ffmpeg -nostdin -v error " + input_options + " -i " +
                                Quoted(input) + " -frames:v " + std::to_string(frame_count) +
                                " -sws_flags " + sws_flags + " -f rawvideo -pix_fmt " + pix_fmt +
                                " -y " + Quoted(output.string());
    const int status = std::system(command.c_str());
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(output, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::error_code ignored;
    std::filesystem::remove(output, ignored);
    if (status != 0 || bytes.empty()) {
        ADD_FAILURE() << "ffmpeg failed (" << status << "): " << command;
        return std::nullopt;
    }
    return bytes;
}

std::vector<std::string> FrameMd5s(const std::string& path) {
    std::vector<std::string> md5s;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '#') {
            const size_t comma = line.rfind(',');
            md5s.push_back(line.substr(line.find_first_not_of(' ', comma + 1)));
        }
    }
    return md5s;
}

size_t Yuv420FrameBytes(int width, int height) {
    const size_t chroma =
        static_cast<size_t>((width + 1) / 2) * static_cast<size_t>((height + 1) / 2);
    return static_cast<size_t>(width) * static_cast<size_t>(height) + 2 * chroma;
}

PaddedYuv420::PaddedYuv420(const uint8_t* packed, int picture_width, int picture_height,
                           int padding)
    : width(picture_width), height(picture_height) {
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane == 0 ? width : (width + 1) / 2;
        const int h = plane == 0 ? height : (height + 1) / 2;
        strides[plane] = w + padding;
        storage[plane].assign(static_cast<size_t>(strides[plane]) * static_cast<size_t>(h), 0xEE);
        for (int row = 0; row < h; ++row) {
            std::copy_n(packed, w, storage[plane].begin() + ptrdiff_t{row} * strides[plane]);
            packed += w;
        }
        planes[plane] = storage[plane].data();
    }
}

}  // namespace kestrel::media::test
