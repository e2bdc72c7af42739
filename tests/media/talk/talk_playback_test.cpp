// The one-shot playback behind TalkPlay, on SDL's disk driver.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <vector>

#include "audio_tools.h"
#include "talk_playback.h"

namespace kestrel::media {
namespace {

using namespace audio_test;

TEST(TalkPlayback, PlaysTheBufferOnceAndAnEmptyOneNotAtAll) {
    ScratchFolder scratch;
    const std::string out = scratch.File("played.s16");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);

    // An empty buffer opens no device at all: with no driver to be had it
    // still succeeds, and the disk driver's file is never made.
    setenv("SDL_AUDIODRIVER", "none_such", 1);
    EXPECT_TRUE(PlayOnce({}));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    EXPECT_TRUE(PlayOnce({}));
    EXPECT_FALSE(std::filesystem::exists(out)) << "no device for an empty buffer";

    std::vector<int16_t> samples(2400);  // 300 ms
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] =
            static_cast<int16_t>(9000 * std::sin(2 * std::numbers::pi * 440 * double(i) / 8000));
    }
    EXPECT_TRUE(PlayOnce(samples));
    const std::vector<int16_t> played = ToSamples(ReadBytes(out));
    const ptrdiff_t at = FindRun(played, samples);
    ASSERT_GE(at, 0) << "the buffer was not played whole";
    // Once: nothing loud after it.
    const std::span<const int16_t> after =
        std::span(played).subspan(static_cast<size_t>(at) + samples.size());
    EXPECT_LT(Rms(after), 1.0);
}

}  // namespace
}  // namespace kestrel::media
