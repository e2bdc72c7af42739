// Stream sound of a live channel through the exports: the simulator's tone
// played by the audio player on SDL's disk driver, whose file holds exactly
// what the device played; volume, mute and the export results.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_session.h"

namespace kestrel::media {
namespace {

constexpr int kSampleRate = 8000;
constexpr double kToneHz = 1000.0;
constexpr double kToneRms = 0.5 / std::sqrt(2.0) * 32767.0;  // the simulator's tone
constexpr double kInitialGain = 30000.0 / 65535.0;           // a channel's first volume
constexpr size_t kSkipSamples = kSampleRate / 2;             // start-up, and settings on their way

// Points SDL's disk driver at a fresh file for the next device opened.
class DiskAudio {
public:
    DiskAudio()
        : file_(std::filesystem::path(::testing::TempDir()) /
                ("kestrel_sound_" + std::to_string(std::random_device{}()) + ".raw")) {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
    }
    ~DiskAudio() { std::filesystem::remove(file_); }
    bool Exists() const { return std::filesystem::exists(file_); }
    std::vector<int16_t> Samples() const {
        std::ifstream in(file_, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        std::vector<int16_t> samples(bytes.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                              static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
        }
        return samples;
    }

private:
    std::filesystem::path file_;
};

struct Measure {
    double rms = 0;
    double hz = 0;
    size_t loud = 0;  // samples above a tenth of the expected amplitude
};

// Level and frequency of the audible part after the start-up.
Measure Analyse(const std::vector<int16_t>& samples) {
    Measure m;
    if (samples.size() <= kSkipSamples) {
        return m;
    }
    double sum = 0;
    size_t crossings = 0;
    size_t first = 0;
    size_t last = 0;
    for (size_t i = kSkipSamples; i < samples.size(); ++i) {
        sum += double(samples[i]) * samples[i];
        m.loud += std::abs(samples[i]) > 1000 ? 1 : 0;
        if (i > kSkipSamples && (samples[i - 1] < 0) != (samples[i] < 0)) {
            first = crossings == 0 ? i : first;
            last = i;
            ++crossings;
        }
    }
    m.rms = std::sqrt(sum / double(samples.size() - kSkipSamples));
    if (crossings > 2) {
        m.hz = double(crossings - 1) / 2.0 / (double(last - first) / kSampleRate);
    }
    return m;
}

void PlayFor(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

TEST(LiveSound, TheStreamToneIsPlayedAtTheChannelVolume) {
    DiskAudio disk;
    {
        test::LiveSession session(sim::RecorderConfig{}, 0, 1);
        ASSERT_TRUE(session.Started());
        const int32_t channel = test::LiveSession::kChannel;
        ASSERT_EQ(QW_DVR_MEDIA_OpenSound(session.Decoder(), channel), QW_MEDIA_OK);
        EXPECT_EQ(QW_DVR_MEDIA_OpenSound(session.Decoder(), channel), QW_MEDIA_ERR_ALREADY_OPEN);
        ASSERT_EQ(QW_DVR_NET_OpenStreamSound(session.Device(), channel), 0);
        PlayFor(std::chrono::milliseconds(3000));
        EXPECT_EQ(QW_DVR_MEDIA_CloseSound(session.Decoder(), channel), QW_MEDIA_OK);
        EXPECT_EQ(QW_DVR_MEDIA_CloseSound(session.Decoder(), channel), QW_MEDIA_ERR_NOT_OPEN);
        session.Stop();
    }
    const Measure m = Analyse(disk.Samples());
    EXPECT_NEAR(m.hz, kToneHz, 20.0);
    EXPECT_NEAR(m.rms, kToneRms * kInitialGain, kToneRms * kInitialGain * 0.15);
}

TEST(LiveSound, VolumeZeroAndMuteAreSilent) {
    for (const bool mute : {false, true}) {
        DiskAudio disk;
        {
            test::LiveSession session(sim::RecorderConfig{}, 0, 1);
            ASSERT_TRUE(session.Started());
            const int32_t channel = test::LiveSession::kChannel;
            ASSERT_EQ(QW_DVR_MEDIA_OpenSound(session.Decoder(), channel), QW_MEDIA_OK);
            if (mute) {
                ASSERT_EQ(QW_DVR_MEDIA_SetMute(session.Decoder(), channel, 1), QW_MEDIA_OK);
            } else {
                ASSERT_EQ(QW_DVR_MEDIA_SetVolume(session.Decoder(), channel, 0), QW_MEDIA_OK);
            }
            ASSERT_EQ(QW_DVR_NET_OpenStreamSound(session.Device(), channel), 0);
            PlayFor(std::chrono::milliseconds(2000));
            session.Stop();
        }
        const std::vector<int16_t> samples = disk.Samples();
        EXPECT_GT(samples.size(), kSkipSamples) << "the device played";
        EXPECT_EQ(Analyse(samples).loud, 0u) << (mute ? "muted" : "volume 0");
    }
}

TEST(LiveSound, ResultsOfTheSoundExports) {
    DiskAudio disk;
    test::LiveSession session(sim::RecorderConfig{}, 0, 1);
    ASSERT_TRUE(session.Started());
    const int32_t channel = test::LiveSession::kChannel;
    QW_DECODER_HANDLE decoder = session.Decoder();
    EXPECT_EQ(QW_DVR_MEDIA_SetVolume(decoder, channel, 65536), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_MEDIA_SetVolume(decoder, channel, 1000), QW_MEDIA_ERR_NOT_OPEN);
    EXPECT_EQ(QW_DVR_MEDIA_CloseSound(decoder, channel), QW_MEDIA_ERR_NOT_OPEN);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 5), QW_MEDIA_ERR_FAILED) << "no channel 5";
    EXPECT_EQ(QW_DVR_MEDIA_SetMute(decoder, 5, 1), QW_MEDIA_ERR_FAILED);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 16), QW_MEDIA_ERR_BAD_ARGUMENT);
    EXPECT_FALSE(disk.Exists()) << "no channel's sound is open yet";
    ASSERT_EQ(QW_DVR_MEDIA_OpenSound(decoder, channel), QW_MEDIA_OK);
    EXPECT_TRUE(disk.Exists());
    EXPECT_EQ(QW_DVR_MEDIA_SetVolume(decoder, channel, 1000), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 5), QW_MEDIA_ERR_ALREADY_OPEN)
        << "one channel's sound at a time";
}

TEST(LiveSound, OlderTypesOpenTheirWaveOutputButReportItAsNotAvailable) {
    DiskAudio mu_law;
    QW_DECODER_HANDLE decoder = QW_DVR_MEDIA_OpenDecoder(0x01000101, 0, 0, 0);
    ASSERT_NE(decoder, nullptr);
    const int32_t channel = 0;
    KmVideoWindow* window = nullptr;
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(decoder, &window, 1, &channel, 1, 0), 0);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_TRUE(mu_law.Exists()) << "the wave output was opened";
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 0), QW_MEDIA_ERR_ALREADY_OPEN);
    EXPECT_EQ(QW_DVR_MEDIA_CloseSound(decoder, 0), QW_MEDIA_OK);
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(decoder), 0);

    DiskAudio none;
    decoder = QW_DVR_MEDIA_OpenDecoder(0x01000999, 0, 0, 0);
    ASSERT_EQ(QW_DVR_MEDIA_StartPlay(decoder, &window, 1, &channel, 1, 0), 0);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 0), QW_MEDIA_ERR_NOT_AVAILABLE);
    EXPECT_EQ(QW_DVR_MEDIA_OpenSound(decoder, 0), QW_MEDIA_ERR_NOT_AVAILABLE)
        << "a type without sound never opens it";
    EXPECT_FALSE(none.Exists());
    EXPECT_EQ(QW_DVR_MEDIA_CloseDecoder(decoder), 0);
}

}  // namespace
}  // namespace kestrel::media
