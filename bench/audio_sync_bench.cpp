// The audio path of one channel, in two parts.
//
// 1. CPU time per second of audio: the simulator's mu-law tone, cut into
//    recorder audio blocks (4-byte header and 320 samples), fed to the
//    audio player component in file mode as fast as its queue takes them
//    and played on SDL's dummy device until the queue is empty. Process CPU
//    time over that, per second of audio. Peer: ffmpeg decoding the same
//    bytes into the null muxer (CPU time from its -benchmark line).
// 2. Audio-to-video offset of a live channel: an in-process simulated
//    recorder through the protocol library into a StreamDecoder with the
//    stream sound open. Every 40 ms the player's figures give the time
//    stamp of the picture last shown and the audio clock read just after
//    it; prints mean, median, 95th percentile and largest |difference|.
//
// Exits 1 when a part could not run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <regex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "channel_player.h"
#include "kestrel_media.h"
#include "kestrel_net.h"
#include "platform/paths.h"
#include "platform/process_usage.h"
#include "qw_audio_player.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"
#include "stream_decoder.h"

namespace media = kestrel::media;
namespace sim = kestrel::sim;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSampleRate = 8000;
constexpr size_t kBlockSamples = 320;  // 40 ms
constexpr uint8_t kBlockHeader[4] = {0x00, 0x01, 0xA0, 0x00};
constexpr int kAudioSeconds = 20;
constexpr auto kSampleEvery = std::chrono::milliseconds(40);
constexpr auto kLiveDuration = std::chrono::seconds(20);
constexpr auto kLiveWarmUp = std::chrono::seconds(2);
constexpr int32_t kChannel = 2;
constexpr size_t kHeldBackBytes = 512;  // the stream's recording header
constexpr double kOffsetGoalMs = 80;    // at every sample, not only on average
const int kAnchor = 0;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ---- CPU of one channel's audio path ------------------------------------

struct PlayerApi {
    platform::SharedLibrary library;
    QW_AUDIO_OpenAudioDecoderFn open = nullptr;
    QW_AUDIO_InputAudioBufferFn input = nullptr;
    QW_AUDIO_AudioDecGetFramesFn frames = nullptr;
    QW_AUDIO_CloseAudioDecoderFn close = nullptr;

    bool Load() {
        if (!library.Load(platform::ModuleFolderOf(&kAnchor), "qw_audio_player")) {
            return false;
        }
        open = reinterpret_cast<QW_AUDIO_OpenAudioDecoderFn>(
            library.Symbol("QW_AUDIO_OpenAudioDecoder"));
        input = reinterpret_cast<QW_AUDIO_InputAudioBufferFn>(
            library.Symbol("QW_AUDIO_InputAudioBuffer"));
        frames = reinterpret_cast<QW_AUDIO_AudioDecGetFramesFn>(
            library.Symbol("QW_AUDIO_AudioDecGetFrames"));
        close = reinterpret_cast<QW_AUDIO_CloseAudioDecoderFn>(
            library.Symbol("QW_AUDIO_CloseAudioDecoder"));
        return open && input && frames && close;
    }
};

// kAudioSeconds of the tone, the file repeated as often as needed.
std::vector<uint8_t> ToneSamples(const std::string& tone) {
    std::vector<uint8_t> samples;
    const size_t wanted = size_t{kSampleRate} * kAudioSeconds;
    while (!tone.empty() && samples.size() < wanted) {
        const size_t take = std::min(tone.size(), wanted - samples.size());
        samples.insert(samples.end(), tone.begin(), tone.begin() + static_cast<ptrdiff_t>(take));
    }
    return samples;
}

struct AudioFigures {
    double cpu_seconds = 0;
    double wall_seconds = 0;
    double audio_seconds = 0;
};

std::optional<AudioFigures> OursAudio(PlayerApi& api, const std::vector<uint8_t>& samples) {
    QwAudioDecoder* decoder = api.open(QWAUDIO_BUFFER_SHORT, 0);
    if (decoder == nullptr) {
        return std::nullopt;
    }
    AudioFigures figures;
    const double cpu_start = platform::ProcessCpuSeconds();
    const auto start = Clock::now();
    const auto limit = start + std::chrono::seconds(3 * kAudioSeconds);
    std::vector<uint8_t> block(sizeof kBlockHeader + kBlockSamples);
    std::copy(std::begin(kBlockHeader), std::end(kBlockHeader), block.begin());
    bool ok = true;
    for (size_t at = 0; at + kBlockSamples <= samples.size() && ok; at += kBlockSamples) {
        std::copy_n(samples.begin() + static_cast<ptrdiff_t>(at), kBlockSamples,
                    block.begin() + sizeof kBlockHeader);
        const uint64_t stamp = at * 1000000 / kSampleRate;
        for (;;) {
            const int32_t result = api.input(
                decoder, block.data(), static_cast<int32_t>(block.size()), QWAUDIO_CODEC_G711U_A,
                static_cast<uint32_t>(stamp), static_cast<uint32_t>(stamp >> 32));
            if (result == QWAUDIO_OK) {
                break;
            }
            if (result != QWAUDIO_ERR_FULL || Clock::now() > limit) {
                ok = false;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        figures.audio_seconds += double(kBlockSamples) / kSampleRate;
    }
    while (ok && api.frames(decoder) != 0 && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ok = ok && api.frames(decoder) == 0;
    figures.cpu_seconds = platform::ProcessCpuSeconds() - cpu_start;
    figures.wall_seconds = std::chrono::duration<double>(Clock::now() - start).count();
    api.close(decoder);
    if (!ok) {
        return std::nullopt;
    }
    return figures;
}

std::optional<double> FfmpegAudioCpu(const std::vector<uint8_t>& samples,
                                     const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / "tone.ul";
    const std::filesystem::path log = folder / "ffmpeg.log";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size()));
    }
    const std::string command = "ffmpeg -hide_banner -nostdin -benchmark -f mulaw -ar 8000 -i '" +
                                file.string() + "' -f null - 2> '" + log.string() + "'";
    const int status = std::system(command.c_str());
    const std::string text = ReadText(log);
    static const std::regex kBench(R"(bench: utime=([0-9.]+)s stime=([0-9.]+)s)");
    std::smatch bench;
    if (status != 0 || !std::regex_search(text, bench, kBench)) {
        return std::nullopt;
    }
    return std::stod(bench[1]) + std::stod(bench[2]);
}

bool MeasureAudioPath(const std::filesystem::path& folder) {
    const std::string tone =
        ReadText(std::filesystem::path(sim::RecorderConfig::DefaultMediaFolder()) / "tone.ul");
    const std::vector<uint8_t> samples = ToneSamples(tone);
    PlayerApi api;
    if (samples.empty() || !api.Load()) {
        std::printf("  audio path: no tone or no audio player component\n");
        return false;
    }
    const std::optional<AudioFigures> ours = OursAudio(api, samples);
    if (!ours) {
        std::printf("  audio path: the player did not open or did not play everything\n");
        return false;
    }
    std::printf("  audio path  ours   %.1f s of audio in %.1f s: %.3f ms CPU per second of audio\n",
                ours->audio_seconds, ours->wall_seconds,
                1000.0 * ours->cpu_seconds / ours->audio_seconds);
    const std::optional<double> peer = FfmpegAudioCpu(samples, folder);
    if (peer) {
        std::printf("  audio path  ffmpeg decode to null: %.3f ms CPU per second of audio\n",
                    1000.0 * *peer / ours->audio_seconds);
    } else {
        std::printf("  audio path  ffmpeg peer did not run or printed no bench line\n");
    }
    return true;
}

// ---- audio-to-video offset of a live channel --------------------------------

// The client side of the stream: the recording header held back, the rest
// into the StreamDecoder.
struct Feed {
    media::StreamDecoder* decoder = nullptr;
    std::mutex mutex;
    uint64_t bytes = 0;

    static void QW_CALLBACK OnData(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char* data,
                                   int32_t count, void* user) {
        auto* self = static_cast<Feed*>(user);
        if (data == nullptr || count <= 0) {
            return;
        }
        std::lock_guard lock(self->mutex);
        std::span<const uint8_t> block(data, static_cast<size_t>(count));
        if (self->bytes < kHeldBackBytes) {
            block = block.subspan(
                std::min<size_t>(kHeldBackBytes - static_cast<size_t>(self->bytes), block.size()));
        }
        self->bytes += static_cast<uint64_t>(count);
        if (!block.empty()) {
            self->decoder->Input(QW_MEDIA_INPUT_STREAM, block);
        }
    }
};

KmVideoWindow NullWindow() {
    KmVideoWindow window{};
    window.formats = KM_FORMAT_YUY2;
    window.present = [](void*, uint32_t, const uint8_t*, int32_t, int32_t, int32_t) {};
    window.clear = [](void*) {};
    return window;
}

double Percentile(std::vector<double> sorted, double fraction) {
    if (sorted.empty()) {
        return 0;
    }
    const size_t at = std::min(
        sorted.size() - 1, static_cast<size_t>(std::ceil(fraction * double(sorted.size())) - 1));
    return sorted[at];
}

bool MeasureLiveOffset() {
    const sim::RecorderConfig config;  // the default recorder
    sim::RecorderSim recorder(config);
    if (!recorder.Start()) {
        std::printf("  live offset: simulator: %s\n", recorder.LastError().c_str());
        return false;
    }
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;
    UserRights rights{};
    QW_DVR_HANDLE device =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, &rights, nullptr);
    if (device == nullptr) {
        std::printf("  live offset: open failed: %d\n", result);
        return false;
    }
    std::unique_ptr<media::StreamDecoder> decoder =
        media::StreamDecoder::Create(static_cast<uint32_t>(type), static_cast<uint32_t>(subtype));
    KmVideoWindow window = NullWindow();
    Feed feed;
    feed.decoder = decoder.get();
    bool ok = decoder != nullptr && decoder->StartChannel(kChannel, &window, true) == 0 &&
              QW_DVR_NET_SetRealDataCallBack(device, kChannel, &feed, &Feed::OnData) == 0 &&
              QW_DVR_NET_StartRealAV(device, 0, kChannel, 0, 0, 1, 1, "admin", "admin") == 0;
    const int32_t sound = ok ? decoder->OpenSound(kChannel) : -1;
    ok = ok && sound == 0 && QW_DVR_NET_OpenStreamSound(device, kChannel) == 0;
    std::vector<double> offsets_ms;
    double signed_sum = 0;
    int missing = 0;
    if (ok) {
        std::this_thread::sleep_for(kLiveWarmUp);
        auto next = Clock::now();
        const auto end = next + kLiveDuration;
        while (next < end) {
            next += kSampleEvery;
            std::this_thread::sleep_until(next);
            media::ChannelStats stats;
            if (!decoder->ChannelStatsOf(kChannel, &stats) || stats.shown_video_pts_us == 0 ||
                stats.audio_clock_at_show_us == 0) {
                ++missing;
                continue;
            }
            const double offset = (static_cast<double>(stats.shown_video_pts_us) -
                                   static_cast<double>(stats.audio_clock_at_show_us)) /
                                  1000.0;
            signed_sum += offset;
            offsets_ms.push_back(std::abs(offset));
        }
    }
    QW_DVR_NET_StopRealAV(device, kChannel);
    if (decoder) {
        decoder->CloseSound(kChannel);
        decoder->StopAll();
    }
    QW_DVR_NET_Close_Device(device);
    recorder.Stop();
    if (!ok || offsets_ms.empty()) {
        std::printf("  live offset: the channel or its sound did not start (sound %d)\n", sound);
        return false;
    }
    std::vector<double> sorted = offsets_ms;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0;
    for (const double offset : sorted) {
        sum += offset;
    }
    std::printf(
        "  live offset %zu samples (%d without a clock): |video - audio| mean %.1f ms, median "
        "%.1f ms, p95 %.1f ms, max %.1f ms; signed mean %+.1f ms\n",
        sorted.size(), missing, sum / double(sorted.size()), Percentile(sorted, 0.5),
        Percentile(sorted, 0.95), sorted.back(), signed_sum / double(sorted.size()));
    std::printf("  live offset goal: largest |video - audio| at most %.0f ms: %s\n", kOffsetGoalMs,
                sorted.back() <= kOffsetGoalMs ? "met" : "NOT MET");
    return true;
}

}  // namespace

int main() {
    // Before anything opens an audio device: no sound card needed.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-audio-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        std::printf("audio sync: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    std::printf(
        "audio sync: %d s of the tone through the audio player (file mode), then %d s "
        "of a live channel with stream sound\n",
        kAudioSeconds, static_cast<int>(kLiveDuration.count()));
    bool ok = MeasureAudioPath(folder);
    ok = MeasureLiveOffset() && ok;
    std::filesystem::remove_all(folder, failed);
    return ok ? 0 : 1;
}
