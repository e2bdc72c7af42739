// Decode-and-present throughput of one live channel player with pacing off:
// the clip's video records, looped, are pushed into a ChannelPlayer whose
// window only counts the pictures. The peer, in the same run, is ffmpeg
// decoding the same access units (the clip written the same number of
// times into one Annex B file) single-threaded into the null muxer. Prints
// frames per second by wall time and by CPU time for both and the ratio
// ours/ffmpeg, best of two runs each; exits 1 when a frame went missing.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "channel_player.h"
#include "ffmpeg_peer.h"
#include "kestrel_media.h"
#include "platform/process_usage.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"

namespace media = kestrel::media;
namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kH264TypeCode = 0x01000203;
constexpr int kFrames = 2000;       // a multiple of the clip's 100 frames
constexpr size_t kQueueHigh = 400;  // below the queue's 500-frame limit
constexpr int kRuns = 2;
constexpr auto kRunLimit = std::chrono::seconds(120);

struct Records {
    std::vector<uint8_t> bytes;  // records back to back, each padded
    struct Entry {
        size_t offset, length;
        uint32_t tag;
        uint64_t pts_us;
    };
    std::vector<Entry> entries;
};

uint32_t ReadLE32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

Records BuildRecords(const sim::MediaClip& clip, int frames) {
    Records records;
    for (int frame = 0; frame < frames; ++frame) {
        std::array<uint8_t, 8> extension{};
        for (size_t i = 0; i < extension.size(); ++i) {
            extension[i] = static_cast<uint8_t>(frame >> (8 * i));
        }
        sim::VideoFrame video;
        video.pts_us = 1000000 + static_cast<uint64_t>(frame) * sim::kFrameIntervalUs;
        video.extension = extension;
        video.payload = clip.AccessUnit(static_cast<size_t>(frame) % clip.AccessUnitCount());
        const size_t offset = records.bytes.size();
        sim::AppendVideoRecord(records.bytes, video);
        const size_t length = sim::kVideoHeaderSize + extension.size() + video.payload.size();
        records.entries.push_back(
            {offset, length, ReadLE32(records.bytes.data() + offset), video.pts_us});
    }
    return records;
}

// present() counts and reads the first byte, so the picture is really there.
struct CountingWindow {
    KmVideoWindow window{};
    std::atomic<int> pictures{0};
    std::atomic<uint32_t> touched{0};
    int wanted = 0;
    Clock::time_point last_picture;  // written before done is set
    std::atomic<bool> done{false};

    explicit CountingWindow(uint32_t format) {
        window.user = this;
        window.formats = format;
        window.present = &Present;
        window.clear = [](void*) {};
    }
    static void Present(void* user, uint32_t, const uint8_t* pixels, int32_t, int32_t, int32_t) {
        auto* self = static_cast<CountingWindow*>(user);
        if (pixels != nullptr) {
            self->touched.fetch_add(pixels[0], std::memory_order_relaxed);
        }
        const auto now = Clock::now();
        if (self->pictures.fetch_add(1) + 1 == self->wanted) {
            self->last_picture = now;
            self->done.store(true, std::memory_order_release);
        }
    }
};

struct Figures {
    double wall_seconds = 0;
    double cpu_seconds = 0;
    int frames = 0;  // pictures presented, or frames ffmpeg reported
    bool ok = false;
};

Figures OursOnce(const Records& records, uint32_t format) {
    Figures figures;
    media::ChannelSetup setup;
    setup.type_code = kH264TypeCode;
    setup.unpaced = true;
    std::unique_ptr<media::ChannelPlayer> player = media::ChannelPlayer::Create(setup);
    if (!player) {
        return figures;
    }
    CountingWindow window(format);
    window.wanted = static_cast<int>(records.entries.size());
    if (player->Start(&window.window, true) != 0) {
        return figures;
    }
    bool pushed_all = true;
    const double cpu_start = platform::ProcessCpuSeconds();
    const auto start = Clock::now();
    const auto limit = start + kRunLimit;
    for (const Records::Entry& entry : records.entries) {
        while (player->QueuedFrames() >= kQueueHigh && Clock::now() < limit) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const std::span<const uint8_t> record(records.bytes.data() + entry.offset, entry.length);
        pushed_all = player->PushFrame(record, entry.tag, entry.pts_us) && pushed_all;
    }
    while (!window.done.load(std::memory_order_acquire) && Clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const bool complete = window.done.load(std::memory_order_acquire);
    figures.cpu_seconds = platform::ProcessCpuSeconds() - cpu_start;
    figures.wall_seconds =
        std::chrono::duration<double>((complete ? window.last_picture : Clock::now()) - start)
            .count();
    const media::ChannelStats stats = player->Stats();
    player->Stop();
    figures.frames = window.pictures.load();
    figures.ok = complete && pushed_all && stats.decoded == records.entries.size() &&
                 stats.presented == records.entries.size();
    return figures;
}

// ffmpeg on `repeated`; nullopt when it did not run or printed no figures.
std::optional<Figures> FfmpegOnce(const std::filesystem::path& repeated,
                                  const std::filesystem::path& log, int frames) {
    const auto peer =
        bench::RunFfmpeg("-threads 1 -i " + bench::Quoted(repeated) + " -f null -", log);
    if (!peer) {
        return std::nullopt;
    }
    Figures figures;
    figures.cpu_seconds = peer->cpu_seconds;
    figures.wall_seconds = peer->wall_seconds;
    figures.frames = peer->frames;
    figures.ok = figures.frames == frames;
    return figures;
}

double Rate(int frames, double seconds) {
    return seconds > 0 ? frames / seconds : 0;
}

// Best (shortest) of kRuns for each side, measured alternately.
bool Measure(const sim::MediaClip& clip, const char* label, uint32_t format,
             const std::filesystem::path& folder) {
    const Records records = BuildRecords(clip, kFrames);
    const std::filesystem::path repeated = folder / "repeated.h264";
    const std::filesystem::path log = folder / "ffmpeg.log";
    const bool have_file = bench::WriteAccessUnits(repeated, clip, kFrames);
    std::optional<Figures> best_ours, best_peer;
    bool ok = true;
    for (int run = 0; run < kRuns; ++run) {
        const Figures ours = OursOnce(records, format);
        ok = ok && ours.ok;
        if (!best_ours || ours.wall_seconds < best_ours->wall_seconds) {
            best_ours = ours;
        }
        const std::optional<Figures> peer =
            have_file ? FfmpegOnce(repeated, log, kFrames) : std::nullopt;
        if (peer && (!best_peer || peer->wall_seconds < best_peer->wall_seconds)) {
            best_peer = peer;
        }
    }
    const double ours_wall = Rate(best_ours->frames, best_ours->wall_seconds);
    const double ours_cpu = Rate(best_ours->frames, best_ours->cpu_seconds);
    std::printf("  %-10s ours %7.1f fps wall, %7.1f fps CPU; %d/%d pictures: %s\n", label,
                ours_wall, ours_cpu, best_ours->frames, kFrames,
                ok ? "every frame presented" : "FRAMES MISSING");
    if (!best_peer) {
        std::printf("  %-10s ffmpeg peer did not run or printed no bench line\n", label);
        return ok;
    }
    const double peer_wall = Rate(best_peer->frames, best_peer->wall_seconds);
    const double peer_cpu = Rate(best_peer->frames, best_peer->cpu_seconds);
    std::printf(
        "  %-10s ffmpeg %7.1f fps wall, %7.1f fps CPU; %d/%d frames%s\n"
        "  %-10s ratio ours/ffmpeg %.3f by wall time, %.3f by CPU time (goal >= 0.90)\n",
        label, peer_wall, peer_cpu, best_peer->frames, kFrames,
        best_peer->ok ? "" : " (ffmpeg's frame count differs)", label,
        peer_wall > 0 ? ours_wall / peer_wall : 0, peer_cpu > 0 ? ours_cpu / peer_cpu : 0);
    std::error_code ignored;
    std::filesystem::remove(repeated, ignored);
    std::filesystem::remove(log, ignored);
    return ok;
}

}  // namespace

int main() {
    std::string error;
    const auto media_set = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media_set) {
        std::printf("decode and present: cannot load media: %s\n", error.c_str());
        return 1;
    }
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-decode-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        std::printf("decode and present: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    std::printf(
        "decode and present, one unpaced live player, %d frames, best of %d runs; peer: "
        "ffmpeg -threads 1 -f null on the same access units\n",
        kFrames, kRuns);
    bool ok = true;
    ok = Measure(media_set->main_clip, "D1 YUY2", KM_FORMAT_YUY2, folder) && ok;
    ok = Measure(media_set->main_clip, "D1 RGB32", KM_FORMAT_RGB32, folder) && ok;
    ok = Measure(media_set->sub_clip, "CIF YUY2", KM_FORMAT_YUY2, folder) && ok;
    ok = Measure(media_set->sub_clip, "CIF RGB32", KM_FORMAT_RGB32, folder) && ok;
    std::filesystem::remove_all(folder, failed);
    // Speed never fails the benchmark; a lost frame does.
    return ok ? 0 : 1;
}
