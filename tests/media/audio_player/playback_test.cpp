// What the audio player hands its device, read back from SDL's disk driver:
// ffmpeg's decoding of the same mu-law bytes, sample for sample, at the
// level the volume and mute settings ask for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "audio_tools.h"
#include "player_harness.h"

namespace {

namespace at = kestrel::media::audio_test;

constexpr size_t kBlockSamples = 320;  // 40 ms, one video frame
const double kToneRms = 0.5 / std::sqrt(2.0) * 32768;

class AudioPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(at::Player().Complete()) << at::Player().library.Error();
        tone_ = at::ToneMulaw();
        tone_.resize(8000);  // one second
    }
    at::ScratchFolder scratch_;
    std::vector<uint8_t> tone_;
};

size_t NonZero(const std::vector<int16_t>& samples) {
    return static_cast<size_t>(
        std::count_if(samples.begin(), samples.end(), [](int16_t s) { return s != 0; }));
}

TEST_F(AudioPlayback, PlaysEveryBlockAsFfmpegDecodesIt) {
    // The tone, a block of every code, and a block cut short: its header
    // declares 320 samples, 100 are there.
    std::vector<std::vector<uint8_t>> blocks = at::CutIntoBlocks(tone_, kBlockSamples);
    std::vector<uint8_t> codes(256);
    for (size_t i = 0; i < codes.size(); ++i) {
        codes[i] = static_cast<uint8_t>(i);
    }
    blocks.push_back(at::CutIntoBlocks(codes, codes.size())[0]);
    std::vector<uint8_t> cut = at::CutIntoBlocks(std::span(tone_).first(kBlockSamples), 320)[0];
    cut.resize(4 + 100);
    blocks.push_back(cut);

    std::vector<uint8_t> fed(tone_);
    fed.insert(fed.end(), codes.begin(), codes.end());
    fed.insert(fed.end(), cut.begin() + 4, cut.end());
    const auto reference = at::FfmpegMulawDecode(fed, scratch_);
    ASSERT_TRUE(reference);

    at::DiskPlayer player(scratch_.File("out.s16"), QWAUDIO_BUFFER_SHORT, 0);
    ASSERT_NE(player.get(), nullptr);
    for (const auto& block : blocks) {
        ASSERT_EQ(player.Feed(block), QWAUDIO_OK);
    }
    EXPECT_GT(at::Player().frames(player.get()), 20);
    ASSERT_TRUE(player.WaitPlayed());
    EXPECT_EQ(at::Player().frames(player.get()), 0);
    const std::vector<int16_t> written = player.CloseAndRead();

    // Silence before and after; the fed audio in one unbroken run.
    const ptrdiff_t start = at::FindRun(written, *reference);
    ASSERT_GE(start, 0) << "played audio differs from ffmpeg's decoding";
    EXPECT_EQ(NonZero(written), NonZero(*reference));
    const auto tone = std::span(written).subspan(static_cast<size_t>(start), tone_.size());
    EXPECT_NEAR(at::ToneFrequency(tone, 8000), 1000.0, 2.0);
    EXPECT_NEAR(at::Rms(tone) / kToneRms, 1.0, 0.1);
}

TEST_F(AudioPlayback, VolumeScalesMuteSilencesAndTheClockRunsOnWhileMuted) {
    const auto reference = at::FfmpegMulawDecode(tone_, scratch_);
    ASSERT_TRUE(reference);
    const auto blocks = at::CutIntoBlocks(tone_, kBlockSamples);
    const at::PlayerComponent& c = at::Player();

    at::DiskPlayer player(scratch_.File("out.s16"), QWAUDIO_BUFFER_SHORT, 0);
    ASSERT_NE(player.get(), nullptr);
    ASSERT_EQ(c.volume(player.get(), 0x8000), QWAUDIO_OK);
    for (int32_t bad : {-1, 0x10000, 0x7FFFFFFF}) {
        EXPECT_EQ(c.volume(player.get(), bad), QWAUDIO_ERR_PARAM) << bad;
    }
    for (const auto& block : blocks) {
        ASSERT_EQ(player.Feed(block), QWAUDIO_OK);
    }
    ASSERT_TRUE(player.WaitPlayed());

    ASSERT_EQ(c.volume(player.get(), 0), QWAUDIO_OK);
    for (const auto& block : blocks) {
        ASSERT_EQ(player.Feed(block), QWAUDIO_OK);
    }
    ASSERT_TRUE(player.WaitPlayed());

    // Muted at full volume, stamped: silence, yet the clock moves through
    // the stamps.
    ASSERT_EQ(c.volume(player.get(), QWAUDIO_VOLUME_MAX), QWAUDIO_OK);
    ASSERT_EQ(c.mute(player.get(), 1), QWAUDIO_OK);
    const uint64_t base = 1'000'000;
    for (size_t n = 0; n < blocks.size(); ++n) {
        ASSERT_EQ(player.Feed(blocks[n], base + n * 40'000), QWAUDIO_OK);
    }
    uint64_t highest = 0;
    while (c.frames(player.get()) > 0) {
        highest = std::max(highest, player.Pts().first);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(highest, base + 500'000);
    ASSERT_TRUE(player.WaitPlayed());
    const std::vector<int16_t> written = player.CloseAndRead();

    // Only the half-volume pass made sound, each sample half of ffmpeg's.
    std::vector<int16_t> half(reference->size());
    for (size_t i = 0; i < half.size(); ++i) {
        half[i] = static_cast<int16_t>((*reference)[i] / 2);
    }
    auto first_sound = [](std::span<const int16_t> samples) {
        return std::find_if(samples.begin(), samples.end(), [](int16_t s) { return s != 0; }) -
               samples.begin();
    };
    const ptrdiff_t start = first_sound(written) - first_sound(half);
    ASSERT_GE(start, 0);
    const auto played = std::span(written).subspan(static_cast<size_t>(start));
    ASSERT_GE(played.size(), half.size());
    for (size_t i = 0; i < half.size(); ++i) {
        ASSERT_LE(std::abs(played[i] - half[i]), 1) << "sample " << i;
    }
    EXPECT_NEAR(at::Rms(played.first(half.size())) / kToneRms, 0.5, 0.05);
    EXPECT_EQ(NonZero(written), NonZero(half)) << "sound at volume 0 or while muted";
}

TEST_F(AudioPlayback, DecodersOnTwoDevicesAndThreadsStayApart) {
    const auto low = at::Ffmpeg(
        "-f lavfi -i 'aevalsrc=0.5*sin(2*PI*500*t):s=8000' -t 1 "
        "-c:a pcm_mulaw -f mulaw",
        scratch_.File("low.ul"));
    ASSERT_TRUE(low);
    const std::vector<uint8_t>* inputs[] = {&tone_, &*low};
    at::DiskPlayer first(scratch_.File("first.s16"), QWAUDIO_BUFFER_SHORT, 0);
    at::DiskPlayer second(scratch_.File("second.s16"), QWAUDIO_BUFFER_LONG, 0);
    ASSERT_NE(first.get(), nullptr);
    ASSERT_NE(second.get(), nullptr);
    at::DiskPlayer* players[] = {&first, &second};

    std::vector<std::thread> feeders;
    for (size_t p = 0; p < 2; ++p) {
        feeders.emplace_back([&, p] {
            uint64_t stamp = 40'000;
            for (const auto& block : at::CutIntoBlocks(*inputs[p], kBlockSamples)) {
                EXPECT_EQ(players[p]->Feed(block, stamp), QWAUDIO_OK);
                stamp += 40'000;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    // Meanwhile the other calls, from this thread, on both.
    for (int i = 0; i < 50; ++i) {
        for (at::DiskPlayer* player : players) {
            player->Pts();
            EXPECT_EQ(at::Player().volume(player->get(), QWAUDIO_VOLUME_MAX), QWAUDIO_OK);
            EXPECT_GE(at::Player().frames(player->get()), 0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    for (auto& feeder : feeders) {
        feeder.join();
    }
    for (size_t p = 0; p < 2; ++p) {
        ASSERT_TRUE(players[p]->WaitPlayed());
        const auto reference = at::FfmpegMulawDecode(*inputs[p], scratch_);
        ASSERT_TRUE(reference);
        const std::vector<int16_t> written = players[p]->CloseAndRead();
        EXPECT_GE(at::FindRun(written, *reference), 0) << "decoder " << p;
        EXPECT_EQ(NonZero(written), NonZero(*reference)) << "decoder " << p;
    }
}

}  // namespace
