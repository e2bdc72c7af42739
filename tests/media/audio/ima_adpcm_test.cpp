// IMA ADPCM blocks decoded by the library against ffmpeg's decoding of the
// same blocks in a WAV file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "ima_adpcm.h"

namespace kestrel::media {
namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

// A mono IMA ADPCM WAV file holding the blocks as they are.
std::vector<uint8_t> WavOf(const std::vector<std::vector<uint8_t>>& blocks) {
    const uint32_t block_bytes = static_cast<uint32_t>(blocks.front().size());
    std::vector<uint8_t> data;
    for (const auto& block : blocks) {
        data.insert(data.end(), block.begin(), block.end());
    }
    std::vector<uint8_t> wav;
    wav.insert(wav.end(), {'R', 'I', 'F', 'F'});
    PutLe(wav, static_cast<uint32_t>(4 + 8 + 20 + 8 + data.size()), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(wav, 20, 4);
    PutLe(wav, 0x11, 2);  // IMA ADPCM
    PutLe(wav, 1, 2);
    PutLe(wav, 8000, 4);
    PutLe(wav, 8000 * block_bytes / static_cast<uint32_t>(ImaAdpcmSamples(block_bytes)), 4);
    PutLe(wav, block_bytes, 2);
    PutLe(wav, 4, 2);
    PutLe(wav, 2, 2);
    PutLe(wav, static_cast<uint32_t>(ImaAdpcmSamples(block_bytes)), 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    PutLe(wav, static_cast<uint32_t>(data.size()), 4);
    wav.insert(wav.end(), data.begin(), data.end());
    return wav;
}

std::vector<int16_t> FfmpegDecode(const std::vector<uint8_t>& wav) {
    const auto dir = std::filesystem::path(::testing::TempDir());
    const auto in = dir / ("kestrel_ima_" + std::to_string(std::random_device{}()) + ".wav");
    const auto out = std::filesystem::path(in).replace_extension(".raw");
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(wav.size()));
    const std::string command = "ffmpeg -nostdin -v error -i '" + in.string() +
                                "' -f s16le -acodec pcm_s16le -y '" + out.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream file(out, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    std::filesystem::remove(in);
    std::filesystem::remove(out);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                          static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
    }
    return samples;
}

TEST(ImaAdpcm, BlocksDecodeAsFfmpegDecodesThem) {
    // Random codes drive the step index over its whole range and the
    // predictor into both clamps; header samples and step indices vary.
    std::mt19937 random(42);
    std::vector<std::vector<uint8_t>> blocks;
    for (int b = 0; b < 64; ++b) {
        std::vector<uint8_t> block(4 + 80);
        const int16_t first = static_cast<int16_t>(random());
        block[0] = static_cast<uint8_t>(first);
        block[1] = static_cast<uint8_t>(static_cast<uint16_t>(first) >> 8);
        block[2] = static_cast<uint8_t>(random() % 89);
        for (size_t i = 4; i < block.size(); ++i) {
            // Every fourth block pushes hard in one direction.
            block[i] = b % 4 == 0 ? 0x77 : static_cast<uint8_t>(random());
        }
        blocks.push_back(block);
    }
    const std::vector<int16_t> reference = FfmpegDecode(WavOf(blocks));
    ASSERT_EQ(reference.size(), blocks.size() * 161);

    std::vector<int16_t> ours;
    std::vector<int16_t> out(161);
    for (const auto& block : blocks) {
        ASSERT_EQ(DecodeImaAdpcmBlock(block, out), 161u);
        ours.insert(ours.end(), out.begin(), out.end());
    }
    for (size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(ours[i], reference[i]) << "sample " << i << " of block " << i / 161;
    }
}

TEST(ImaAdpcm, ShortBlocksAndSmallOutputsDecodeNothing) {
    std::vector<int16_t> out(200);
    const std::vector<uint8_t> header_only = {0x10, 0x00, 5, 0};
    EXPECT_EQ(DecodeImaAdpcmBlock(header_only, out), 1u);
    EXPECT_EQ(out[0], 0x10);
    EXPECT_EQ(DecodeImaAdpcmBlock(std::vector<uint8_t>(3), out), 0u);
    std::vector<int16_t> small(160);
    EXPECT_EQ(DecodeImaAdpcmBlock(std::vector<uint8_t>(84), small), 0u);
    // A step index past the table is clamped, not read out of bounds.
    std::vector<uint8_t> wild(84, 0xFF);
    wild[2] = 200;
    EXPECT_EQ(DecodeImaAdpcmBlock(wild, out), 161u);
}

}  // namespace
}  // namespace kestrel::media
