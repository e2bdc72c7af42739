#include "audio_tools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "sim/recorder_config.h"

namespace kestrel::media::audio_test {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    std::random_device random;
    const fs::path path =
        fs::path(::testing::TempDir()) / ("kestrel_audio_" + std::to_string(random()));
    fs::create_directories(path);
    path_ = path.string();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string ScratchFolder::File(const std::string& name) const {
    return (fs::path(path_) / name).string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<int16_t> ToSamples(std::span<const uint8_t> s16le) {
    std::vector<int16_t> samples(s16le.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(s16le[2 * i] | (s16le[2 * i + 1] << 8));
    }
    return samples;
}

std::vector<uint8_t> ToBytes(std::span<const int16_t> samples) {
    std::vector<uint8_t> bytes;
    bytes.reserve(samples.size() * 2);
    for (int16_t sample : samples) {
        const auto bits = static_cast<uint16_t>(sample);
        bytes.push_back(static_cast<uint8_t>(bits & 0xFF));
        bytes.push_back(static_cast<uint8_t>(bits >> 8));
    }
    return bytes;
}

std::optional<std::vector<uint8_t>> Ffmpeg(const std::string& args, const std::string& output) {
    const std::string command = "ffmpeg -nostdin -v error -y " + args + " '" + output + "'";
    const int status = std::system(command.c_str());
    std::vector<uint8_t> bytes = ReadBytes(output);
    if (status != 0 || bytes.empty()) {
        ADD_FAILURE() << "ffmpeg failed (" << status << "): " << command;
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::vector<int16_t>> FfmpegMulawDecode(std::span<const uint8_t> mulaw,
                                                      const ScratchFolder& scratch) {
    const std::string input = scratch.File("decode_in.ul");
    if (!WriteBytes(input, mulaw)) {
        return std::nullopt;
    }
    auto bytes = Ffmpeg("-f mulaw -ar 8000 -ac 1 -i '" + input + "' -f s16le",
                        scratch.File("decode_out.s16"));
    if (!bytes) {
        return std::nullopt;
    }
    return ToSamples(*bytes);
}

std::optional<std::vector<uint8_t>> FfmpegMulawEncode(std::span<const int16_t> samples,
                                                      const ScratchFolder& scratch) {
    const std::string input = scratch.File("encode_in.s16");
    if (!WriteBytes(input, ToBytes(samples))) {
        return std::nullopt;
    }
    return Ffmpeg("-f s16le -ar 8000 -ac 1 -i '" + input + "' -c:a pcm_mulaw -f mulaw",
                  scratch.File("encode_out.ul"));
}

std::vector<uint8_t> ToneMulaw() {
    std::vector<uint8_t> tone = ReadBytes(
        (fs::path(kestrel::sim::RecorderConfig::DefaultMediaFolder()) / "tone.ul").string());
    EXPECT_EQ(tone.size(), 32000u) << "sim/media/tone.ul";
    return tone;
}

std::vector<std::vector<uint8_t>> CutIntoBlocks(std::span<const uint8_t> mulaw,
                                                size_t block_samples) {
    std::vector<std::vector<uint8_t>> blocks;
    for (size_t at = 0; at < mulaw.size(); at += block_samples) {
        const size_t count = std::min(block_samples, mulaw.size() - at);
        std::vector<uint8_t> block{0x00, 0x01, static_cast<uint8_t>(count / 2), 0x00};
        block.insert(block.end(), mulaw.begin() + static_cast<ptrdiff_t>(at),
                     mulaw.begin() + static_cast<ptrdiff_t>(at + count));
        blocks.push_back(std::move(block));
    }
    return blocks;
}

double Rms(std::span<const int16_t> samples) {
    if (samples.empty()) {
        return 0;
    }
    double sum = 0;
    for (int16_t sample : samples) {
        sum += static_cast<double>(sample) * sample;
    }
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

double ToneFrequency(std::span<const int16_t> samples, int sample_rate) {
    ptrdiff_t first = -1;
    ptrdiff_t last = -1;
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0) {
                first = static_cast<ptrdiff_t>(i);
            } else {
                ++crossings;
            }
            last = static_cast<ptrdiff_t>(i);
        }
    }
    if (crossings == 0) {
        return 0;
    }
    return crossings * static_cast<double>(sample_rate) / static_cast<double>(last - first);
}

double Correlation(std::span<const int16_t> a, std::span<const int16_t> b) {
    double ab = 0;
    double aa = 0;
    double bb = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        ab += static_cast<double>(a[i]) * b[i];
        aa += static_cast<double>(a[i]) * a[i];
        bb += static_cast<double>(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

ptrdiff_t FindRun(std::span<const int16_t> haystack, std::span<const int16_t> needle) {
    const auto found = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end());
    return found == haystack.end() ? -1 : found - haystack.begin();
}

}  // namespace kestrel::media::audio_test
