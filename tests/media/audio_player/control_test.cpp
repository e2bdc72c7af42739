// The audio player's clock and queue control, on SDL's disk driver: the
// clock follows the audible sample through the stamps fed, live decoders
// keep their backlog bounded, and bad calls are refused without harm.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio_tools.h"
#include "player_harness.h"

namespace {

namespace at = kestrel::media::audio_test;
using Clock = std::chrono::steady_clock;

constexpr uint64_t kBlockMicros = 40'000;
// Above 2^32: the stamp's high half counts.
constexpr uint64_t kBase = 5'000'000'000;

class AudioControl : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(at::Player().Complete()) << at::Player().library.Error();
        std::vector<uint8_t> tone = at::ToneMulaw();
        blocks_ = at::CutIntoBlocks(tone, 320);  // 100 blocks of 40 ms
    }
    std::string Output() const { return scratch_.File("out.s16"); }

    at::ScratchFolder scratch_;
    std::vector<std::vector<uint8_t>> blocks_;
};

TEST_F(AudioControl, ClockFollowsTheAudibleSampleThroughTheStamps) {
    const at::PlayerComponent& c = at::Player();
    at::DiskPlayer player(Output(), QWAUDIO_BUFFER_SHORT, 0);
    ASSERT_NE(player.get(), nullptr);
    EXPECT_EQ(player.Pts(), std::make_pair(uint64_t{0}, uint64_t{0}));
    ASSERT_EQ(c.set_pts(player.get(), 111, 222), QWAUDIO_OK);
    EXPECT_EQ(player.Pts(), std::make_pair(uint64_t{111}, uint64_t{222}));

    const size_t count = 25;  // one second
    for (size_t n = 0; n < count; ++n) {
        ASSERT_EQ(player.Feed(blocks_[n], kBase + n * kBlockMicros), QWAUDIO_OK);
    }
    const uint64_t end = kBase + count * kBlockMicros;
    uint64_t last = 0;
    Clock::time_point first_seen{};
    uint64_t first_pts = 0;
    Clock::time_point last_seen{};
    while (c.frames(player.get()) > 0) {
        const auto [pts, next] = player.Pts();
        if (pts != 111) {
            ASSERT_GE(pts, kBase);
            ASSERT_LT(pts, end);
            ASSERT_GE(pts, last) << "clock went back";
            ASSERT_GT(next, pts);
            ASSERT_LE(next, pts + kBlockMicros) << "next block is the one after the audible one";
            if (first_pts == 0) {
                first_pts = pts;
                first_seen = Clock::now();
            }
            last = pts;
            last_seen = Clock::now();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(first_pts, 0u) << "no audio clock while playing";
    // The clock keeps time with the device (the disk driver plays in real
    // time).
    const double wall = std::chrono::duration<double, std::micro>(last_seen - first_seen).count();
    ASSERT_GT(wall, 500'000);
    EXPECT_NEAR(static_cast<double>(last - first_pts) / wall, 1.0, 0.2);

    // Played out: the stored video stamps again.
    ASSERT_TRUE(player.WaitPlayed());
    EXPECT_EQ(player.Pts(), std::make_pair(uint64_t{111}, uint64_t{222}));
    EXPECT_GT(last, end - 5 * kBlockMicros) << "the clock stopped short of the end";

    // Clear resets both the audio clock and the stored stamps.
    for (size_t n = 0; n < 10; ++n) {
        ASSERT_EQ(player.Feed(blocks_[n], kBase + n * kBlockMicros), QWAUDIO_OK);
    }
    ASSERT_EQ(c.clear(player.get()), QWAUDIO_OK);
    EXPECT_EQ(c.frames(player.get()), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(player.Pts(), std::make_pair(uint64_t{0}, uint64_t{0}));
}

TEST_F(AudioControl, LiveDecodersDropOldAudioFileDecodersKeepIt) {
    const at::PlayerComponent& c = at::Player();
    struct Case {
        int32_t buffer_mode;
        int32_t live;
        int32_t most_blocks;  // twice the target backlog, in 40 ms blocks
    };
    for (const Case& test : {Case{QWAUDIO_BUFFER_SHORT, 1, 6}, Case{QWAUDIO_BUFFER_LONG, 1, 20}}) {
        SCOPED_TRACE(test.buffer_mode);
        at::DiskPlayer player(Output(), test.buffer_mode, test.live);
        ASSERT_NE(player.get(), nullptr);
        // Eight seconds of audio arriving at once.
        for (size_t n = 0; n < 200; ++n) {
            ASSERT_EQ(player.Feed(blocks_[n % 100], kBase + n * kBlockMicros), QWAUDIO_OK);
            ASSERT_LE(c.frames(player.get()), test.most_blocks) << "block " << n;
        }
        // What plays is the newest audio, not eight seconds behind.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        const uint64_t pts = player.Pts().first;
        EXPECT_GE(pts, kBase + (200 - test.most_blocks - 3) * kBlockMicros);
        EXPECT_LT(pts, kBase + 200 * kBlockMicros);
    }

    at::DiskPlayer file(Output(), QWAUDIO_BUFFER_SHORT, 0);
    ASSERT_NE(file.get(), nullptr);
    for (size_t n = 0; n < 200; ++n) {
        ASSERT_EQ(file.Feed(blocks_[n % 100], kBase + n * kBlockMicros), QWAUDIO_OK);
    }
    EXPECT_GE(c.frames(file.get()), 195);
    // File playback is bounded too, by refusing rather than dropping.
    int32_t status = QWAUDIO_OK;
    size_t fed = 200;
    for (; fed < 2000 && status == QWAUDIO_OK; ++fed) {
        status = file.Feed(blocks_[fed % 100]);
    }
    EXPECT_EQ(status, QWAUDIO_ERR_FULL);
    EXPECT_GE(fed * kBlockMicros, uint64_t{QWAUDIO_MAX_QUEUED_MS} * 1000);
    EXPECT_LE(c.frames(file.get()), QWAUDIO_MAX_QUEUED_MS / 40);
    ASSERT_EQ(c.clear(file.get()), QWAUDIO_OK);
    EXPECT_EQ(c.frames(file.get()), 0);
}

TEST_F(AudioControl, StopDiscardsInputUntilResumedAndFlushGoesOn) {
    const at::PlayerComponent& c = at::Player();
    at::DiskPlayer player(Output(), QWAUDIO_BUFFER_SHORT, 0);
    ASSERT_NE(player.get(), nullptr);
    for (size_t n = 0; n < 20; ++n) {
        ASSERT_EQ(player.Feed(blocks_[n]), QWAUDIO_OK);
    }
    ASSERT_EQ(c.stop(player.get(), QWAUDIO_STOP), QWAUDIO_OK);
    EXPECT_EQ(c.frames(player.get()), 0);
    for (size_t n = 0; n < 5; ++n) {
        EXPECT_EQ(player.Feed(blocks_[n]), QWAUDIO_OK);
    }
    EXPECT_EQ(c.frames(player.get()), 0) << "input taken while stopped";
    EXPECT_EQ(player.Feed({0x01, 0x01, 0x02, 0x00, 1, 2, 3, 4}), QWAUDIO_ERR_FORMAT)
        << "still checked while stopped";

    ASSERT_EQ(c.stop(player.get(), QWAUDIO_RESUME), QWAUDIO_OK);
    for (size_t n = 0; n < 20; ++n) {
        ASSERT_EQ(player.Feed(blocks_[n]), QWAUDIO_OK);
    }
    EXPECT_GE(c.frames(player.get()), 15);
    ASSERT_EQ(c.stop(player.get(), QWAUDIO_FLUSH), QWAUDIO_OK);
    EXPECT_EQ(c.frames(player.get()), 0);
    for (size_t n = 0; n < 20; ++n) {
        ASSERT_EQ(player.Feed(blocks_[n]), QWAUDIO_OK);
    }
    EXPECT_GE(c.frames(player.get()), 15) << "flush must not stop input";
    for (int32_t bad : {-1, 3, 100}) {
        EXPECT_EQ(c.stop(player.get(), bad), QWAUDIO_ERR_PARAM) << bad;
    }
    EXPECT_GE(c.frames(player.get()), 15);
}

TEST_F(AudioControl, BadBlocksAndArgumentsAreRefused) {
    const at::PlayerComponent& c = at::Player();
    at::DiskPlayer player(Output(), QWAUDIO_BUFFER_SHORT, 1);
    ASSERT_NE(player.get(), nullptr);
    const std::vector<uint8_t>& good = blocks_[0];
    std::vector<uint8_t> wrong_first = good;
    wrong_first[0] = 0x10;
    std::vector<uint8_t> wrong_second = good;
    wrong_second[1] = 0x02;
    EXPECT_EQ(player.Feed(wrong_first), QWAUDIO_ERR_FORMAT);
    EXPECT_EQ(player.Feed(wrong_second), QWAUDIO_ERR_FORMAT);
    EXPECT_EQ(player.Feed({0x00, 0x01, 0x10}), QWAUDIO_ERR_FORMAT);
    for (int32_t codec : {0, 1, 4, 6, -3}) {
        EXPECT_EQ(c.input(player.get(), good.data(), 324, codec, 0, 0), QWAUDIO_ERR_CODEC) << codec;
    }
    EXPECT_EQ(c.input(player.get(), good.data(), -1, QWAUDIO_CODEC_G711U_A, 0, 0),
              QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.input(player.get(), nullptr, 324, QWAUDIO_CODEC_G711U_A, 0, 0), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.frames(player.get()), 0) << "a refused block was queued";
    EXPECT_EQ(c.input(player.get(), good.data(), 324, QWAUDIO_CODEC_G711U_B, 0, 0), QWAUDIO_OK);
    uint64_t pts = 0;
    EXPECT_EQ(c.get_pts(player.get(), nullptr, &pts), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.get_pts(player.get(), &pts, nullptr), QWAUDIO_ERR_PARAM);

    // No decoder: errors, never a crash.
    uint64_t next = 0;
    EXPECT_EQ(c.input(nullptr, good.data(), 324, QWAUDIO_CODEC_G711U_A, 0, 0), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.set_pts(nullptr, 1, 2), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.get_pts(nullptr, &pts, &next), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.frames(nullptr), -1);
    EXPECT_EQ(c.volume(nullptr, 100), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.mute(nullptr, 1), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.stop(nullptr, QWAUDIO_STOP), QWAUDIO_ERR_PARAM);
    EXPECT_EQ(c.clear(nullptr), QWAUDIO_ERR_PARAM);
    c.close(nullptr);
    EXPECT_EQ(c.open(2, 0), nullptr);
    EXPECT_EQ(c.open(-1, 1), nullptr);
}

TEST_F(AudioControl, NoAudioDriverGivesNoDecoderAndLeavesSdlUsable) {
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_EQ(at::Player().open(QWAUDIO_BUFFER_SHORT, 1), nullptr);
    // The failed open left nothing behind: the next one works.
    at::DiskPlayer player(Output(), QWAUDIO_BUFFER_SHORT, 1);
    EXPECT_NE(player.get(), nullptr);
}

TEST(AudioPlayerLoading, MissingComponentFailsCleanly) {
    static const int anchor = 0;
    platform::SharedLibrary library;
    EXPECT_FALSE(library.Load(platform::ModuleFolderOf(&anchor), "qw_audio_player_missing"));
    EXPECT_FALSE(library.Error().empty());
    EXPECT_EQ(library.Symbol("QW_AUDIO_OpenAudioDecoder"), nullptr);
}

}  // namespace
