// The PCM ring, the refill rule and the wave output playing through SDL's
// disk driver, whose file holds exactly what the device was given.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "pcm_ring.h"
#include "wave_feeder.h"
#include "wave_format.h"
#include "wave_output.h"

namespace kestrel::media {
namespace {

std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed) {
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        out[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return out;
}

TEST(PcmRing, KeepsOrderAcrossTheWrapAndDropsWholeBlocksThatDoNotFit) {
    auto ring = PcmRing::Create();
    ASSERT_TRUE(ring);
    const std::vector<uint8_t> big = Pattern(kPcmRingBytes - 1000, 1);
    ASSERT_TRUE(ring->Write(big));
    EXPECT_FALSE(ring->Write(Pattern(1001, 2))) << "a block that does not fit is dropped";
    EXPECT_EQ(ring->Buffered(), big.size());
    std::vector<uint8_t> out(big.size() - 500);
    ASSERT_TRUE(ring->Take(out));
    // Now the write position is 1000 bytes before the end: this one wraps.
    const std::vector<uint8_t> wrapping = Pattern(3000, 3);
    ASSERT_TRUE(ring->Write(wrapping));
    std::vector<uint8_t> rest(500);
    ASSERT_TRUE(ring->Take(rest));
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), big.end() - 500));
    std::vector<uint8_t> wrapped(3001);
    EXPECT_FALSE(ring->Take(wrapped)) << "only whole requests are served";
    wrapped.resize(3000);
    ASSERT_TRUE(ring->Take(wrapped));
    EXPECT_EQ(wrapped, wrapping);
    ring->Clear();
    EXPECT_EQ(ring->Buffered(), 0u);
}

TEST(WaveFeeder, AShortfallRepeatsTheLatestBufferOnceThenPlaysSilence) {
    auto ring = PcmRing::Create();
    ASSERT_TRUE(ring);
    WaveFeeder feeder(*ring);
    std::vector<uint8_t> buffer = Pattern(64, 9);
    const std::vector<uint8_t> latest = Pattern(64, 77);
    EXPECT_EQ(feeder.Refill(buffer, latest), WaveFeeder::Fill::kRepeat);
    EXPECT_EQ(buffer, latest);
    EXPECT_EQ(feeder.Refill(buffer, latest), WaveFeeder::Fill::kSilence);
    EXPECT_EQ(buffer, std::vector<uint8_t>(64, 0));
    EXPECT_EQ(feeder.Refill(buffer, latest), WaveFeeder::Fill::kSilence);
    ASSERT_TRUE(ring->Write(Pattern(100, 5)));
    EXPECT_EQ(feeder.Refill(buffer, latest), WaveFeeder::Fill::kData);
    EXPECT_EQ(buffer, Pattern(64, 5));
    EXPECT_EQ(feeder.ShortfallsInARow(), 0);
    // 36 bytes left: not a whole buffer, so a repeat again.
    EXPECT_EQ(feeder.Refill(buffer, latest), WaveFeeder::Fill::kRepeat);
}

TEST(WaveFormats, ChosenByType) {
    EXPECT_EQ(WaveFormatIndexFor(0x01000101, 0), 0);
    EXPECT_EQ(WaveFormatIndexFor(0x01000102, 0), 1);
    EXPECT_EQ(WaveFormatIndexFor(0x01000202, 0x02016100), 0);
    EXPECT_EQ(WaveFormatIndexFor(0x01000202, 0), 2);
    EXPECT_EQ(WaveFormatIndexFor(0x01000205, 0), 3);
    EXPECT_EQ(WaveFormatIndexFor(0x01000203, 0), 5);
    EXPECT_EQ(WaveFormatIndexFor(0x01000207, 0), kAudioPlayerFormatIndex);
    EXPECT_EQ(WaveFormatIndexFor(0x01000999, 0), std::nullopt);
    EXPECT_EQ(BufferFrames(WaveFormatAt(1)), 9216u / 4);
}

// Runs a wave output on SDL's disk driver until `buffers` buffers played;
// returns the bytes the driver wrote.
std::vector<uint8_t> PlayToDisk(const WaveFormat& format, PcmRing& ring, int volume,
                                uint64_t buffers) {
    const auto file = std::filesystem::path(::testing::TempDir()) /
                      ("kestrel_wave_" + std::to_string(std::random_device{}()) + ".raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    std::string error;
    auto output = WaveOutput::Open(format, ring, &error);
    if (!output) {
        ADD_FAILURE() << error;
        return {};
    }
    output->SetVolume(volume);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (output->BuffersPlayed() < buffers && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GE(output->BuffersPlayed(), buffers);
    output.reset();
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    std::filesystem::remove(file);
    return bytes;
}

TEST(WaveOutput, PlaysTheRingBufferByBufferThenRepeatsOnceAndFallsSilent) {
    const WaveFormat& format = WaveFormatAt(3);  // 8 kHz mono, 1600-byte buffers
    auto ring = PcmRing::Create();
    ASSERT_TRUE(ring);
    std::vector<std::vector<uint8_t>> chunks;
    for (uint8_t k = 0; k < 4; ++k) {
        chunks.push_back(Pattern(format.buffer_bytes, static_cast<uint8_t>(10 + k * 40)));
        ASSERT_TRUE(ring->Write(chunks.back()));
    }
    const std::vector<uint8_t> played = PlayToDisk(format, *ring, 0xFFFF, 14);
    const std::vector<uint8_t> silence(format.buffer_bytes, 0);
    // The device starts with silence (ours, and SDL's own while it starts
    // up, as long as that takes), then the data, the last chunk once more,
    // and silence.
    const auto first = std::find_if(played.begin(), played.end(), [](uint8_t b) { return b != 0; });
    const std::vector<const std::vector<uint8_t>*> expected = {&chunks[0], &chunks[1], &chunks[2],
                                                               &chunks[3], &chunks[3], &silence};
    ASSERT_GE(played.end() - first,
              static_cast<std::ptrdiff_t>(expected.size() * format.buffer_bytes));
    for (size_t b = 0; b < expected.size(); ++b) {
        const auto from = first + static_cast<std::ptrdiff_t>(b * format.buffer_bytes);
        EXPECT_TRUE(std::equal(expected[b]->begin(), expected[b]->end(), from)) << "buffer " << b;
    }
}

TEST(WaveOutput, VolumeScalesEverySample) {
    const WaveFormat& format = WaveFormatAt(3);
    auto ring = PcmRing::Create();
    ASSERT_TRUE(ring);
    std::vector<uint8_t> loud;
    for (size_t i = 0; i < format.buffer_bytes / 2; ++i) {
        const int16_t sample = i % 2 ? 20000 : -20000;
        loud.push_back(static_cast<uint8_t>(sample));
        loud.push_back(static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8));
    }
    ASSERT_TRUE(ring->Write(loud));
    const std::vector<uint8_t> half = PlayToDisk(format, *ring, 0x8000, 4);
    // The data follows however much start-up silence the device played.
    size_t at = 0;
    while (at + 1 < half.size() && half[at] == 0 && half[at + 1] == 0) {
        at += 2;
    }
    ASSERT_LT(at + 1, half.size()) << "nothing but silence";
    const int16_t first = static_cast<int16_t>(half[at] | half[at + 1] << 8);
    EXPECT_EQ(first, static_cast<int16_t>(-20000 * 0x8000 / 0xFFFF));

    ASSERT_TRUE(ring->Write(loud));
    const std::vector<uint8_t> muted = PlayToDisk(format, *ring, 0, 4);
    EXPECT_EQ(std::count(muted.begin(), muted.end(), 0), static_cast<std::ptrdiff_t>(muted.size()));
}

}  // namespace
}  // namespace kestrel::media
