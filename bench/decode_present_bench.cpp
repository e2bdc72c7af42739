// Decode-and-present throughput of one live channel player with pacing off:
// the clip's video records, looped, are pushed into a ChannelPlayer whose
// window only counts the pictures. The peer is ffmpeg decoding the same
// access units (written as one Annex B file) single-threaded and converting
// them to the window's pixel format (YUY2: yuyv422, RGB32: bgr0) into the
// null muxer. Paired rounds (see paired_rounds.h) give the ratios ours/ffmpeg
// by wall and by CPU time; the goal is on CPU time. Exits 1 when a frame went
// missing.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "channel_player.h"
#include "ffmpeg_peer.h"
#include "kestrel_media.h"
#include "paired_rounds.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"

namespace media = kestrel::media;
namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kH264TypeCode = 0x01000203;
// A repetition is a second or so of decoding on either side, so ffmpeg's
// start-up stays out of the picture; multiples of the clips' 100 frames.
constexpr int kD1Frames = 3000;
constexpr int kCifFrames = 10000;
constexpr int kQueueHigh = 400;  // below the queue's 500-frame limit
constexpr int kQueueRefill = 200;
constexpr auto kRunLimit = std::chrono::seconds(120);
constexpr double kCpuGoal = 0.95;

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

// present() counts and reads the first byte, so the picture is really there,
// and wakes the pushing thread only when the backlog needs a refill, so the
// benchmark's own thread costs next to nothing.
struct CountingWindow {
    KmVideoWindow window{};
    std::atomic<int> pictures{0};
    std::atomic<int> wake_at{0};
    std::atomic<uint32_t> touched{0};
    Clock::time_point last_picture;  // written before the count reaches its last value
    std::mutex mutex;
    std::condition_variable changed;
    int wanted = 0;

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
        const int count = self->pictures.load(std::memory_order_relaxed) + 1;
        if (count == self->wanted) {
            self->last_picture = Clock::now();
        }
        self->pictures.store(count, std::memory_order_release);
        if (count >= self->wake_at.load(std::memory_order_relaxed)) {
            std::lock_guard lock(self->mutex);
            self->changed.notify_all();
        }
    }
    // Waits until `count` pictures were shown; false at the deadline.
    bool WaitFor(int count, Clock::time_point deadline) {
        wake_at.store(count);
        std::unique_lock lock(mutex);
        return changed.wait_until(lock, deadline, [&] { return pictures.load() >= count; });
    }
};

std::optional<bench::Work> OursOnce(const Records& records, uint32_t format) {
    media::ChannelSetup setup;
    setup.type_code = kH264TypeCode;
    setup.unpaced = true;
    std::unique_ptr<media::ChannelPlayer> player = media::ChannelPlayer::Create(setup);
    if (!player) {
        return std::nullopt;
    }
    CountingWindow window(format);
    const int wanted = static_cast<int>(records.entries.size());
    window.wanted = wanted;
    if (player->Start(&window.window, true) != 0) {
        return std::nullopt;
    }
    bool pushed_all = true;
    const bench::Stopwatch stopwatch;
    const auto limit = Clock::now() + kRunLimit;
    int pushed = 0;
    for (const Records::Entry& entry : records.entries) {
        if (pushed - window.pictures.load() >= kQueueHigh &&
            !window.WaitFor(pushed - kQueueRefill, limit)) {
            break;
        }
        const std::span<const uint8_t> record(records.bytes.data() + entry.offset, entry.length);
        pushed_all = player->PushFrame(record, entry.tag, entry.pts_us) && pushed_all;
        ++pushed;
    }
    const bool complete = pushed == wanted && window.WaitFor(wanted, limit);
    bench::Work work = stopwatch.Stop(window.pictures.load());
    if (complete) {
        work.wall_seconds -=
            std::chrono::duration<double>(Clock::now() - window.last_picture).count();
    }
    // The player counts a picture after present() returns: read its figures once it ended.
    player->Stop();
    const media::ChannelStats stats = player->Stats();
    work.ok = complete && pushed_all && stats.decoded == records.entries.size() &&
              stats.presented == records.entries.size();
    return work;
}

bool Measure(const sim::MediaClip& clip, int frames, const char* label, uint32_t format,
             const std::filesystem::path& folder) {
    const Records records = BuildRecords(clip, frames);
    const std::filesystem::path units = folder / "units.h264";
    if (!bench::WriteAccessUnits(units, clip, frames)) {
        std::printf("  %-10s cannot write %s\n", label, units.string().c_str());
        return false;
    }
    const char* pixel_format = format == KM_FORMAT_YUY2 ? "yuyv422" : "bgr0";
    const bench::Side ours{"ours", [&] { return OursOnce(records, format); }};
    const bench::Side peer{"ffmpeg", bench::FfmpegRepetition(
                                         "-threads 1 -filter_threads 1 -i " + bench::Quoted(units) +
                                             " -vf format=" + pixel_format + " -f null -",
                                         folder / "ffmpeg.log", frames, frames)};
    bench::Comparison comparison;
    comparison.label = label;
    comparison.unit = "frames/s";
    comparison.goal = bench::Goal{bench::Basis::kCpu, kCpuGoal};
    const bench::PairedResult result = bench::RunPaired(comparison, ours, peer);
    std::error_code ignored;
    std::filesystem::remove(units, ignored);
    return result.complete && result.ok;
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
        "decode and present, one unpaced live player (%d D1 or %d CIF frames a repetition), "
        "%d paired rounds of at least %.0f s; peer: ffmpeg -threads 1 converting to the same "
        "pixel format into -f null\n",
        kD1Frames, kCifFrames, bench::kPairs, bench::kRoundSeconds);
    bool ok = true;
    ok = Measure(media_set->main_clip, kD1Frames, "D1 YUY2", KM_FORMAT_YUY2, folder) && ok;
    ok = Measure(media_set->main_clip, kD1Frames, "D1 RGB32", KM_FORMAT_RGB32, folder) && ok;
    ok = Measure(media_set->sub_clip, kCifFrames, "CIF YUY2", KM_FORMAT_YUY2, folder) && ok;
    ok = Measure(media_set->sub_clip, kCifFrames, "CIF RGB32", KM_FORMAT_RGB32, folder) && ok;
    std::filesystem::remove_all(folder, failed);
    // Speed never fails the benchmark; a lost frame does.
    return ok ? 0 : 1;
}
