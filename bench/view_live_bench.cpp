// The live page with 16 D1 channels at 25 fps: the client program logs in to
// a simulated 16-channel recorder (its own process, so this process's CPU is
// the client's alone) and its live page plays every channel in the default
// 4x4 grid under Qt's offscreen platform, where repaints really draw into the
// backing store. Every stream stops sending after a set number of frames and
// stays open, so after the run each pane must have presented exactly what its
// stream sent. Measured over a steady window from the moment every pane has
// its first picture: paints per pane per second, CPU per presented picture in
// five equal segments, resident memory. The peer, run after the client has
// gone: ffmpeg -threads 1 decoding the same access units and scaling each
// picture to the pane's size (BGRA, bilinear, as the panes do) into -f null,
// five runs; segment i is paired with run i. Goals missed are printed, never
// an exit status.
//
// Usage: bench_view_live [seconds]   (10..600, default 60)
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ffmpeg_peer.h"
#include "paired_rounds.h"
#include "platform/process_usage.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"
#include "theme.h"
#include "video_surface.h"
#include "view_bench.h"
#include "view_session.h"

namespace bench = kestrel::bench;
namespace sim = kestrel::sim;
using kestrel::widgets::VideoSurface;

namespace {

constexpr const char* kProgram = "bench_view_live";
constexpr int kPanes = 16;
constexpr int kFramesPerSecond = 25;
constexpr int kSegments = 5;
// Streams run this much longer than the window, so that none stops inside
// it however long the panes took to show their first pictures.
constexpr int kStreamSpareSeconds = 6;
constexpr auto kFirstPicturesLimit = std::chrono::seconds(30);
// The streams without sound end about a quarter of the window after it.
constexpr int kStreamsEndSpareSeconds = 20;
// Short of the protocol library's 5 s before it declares a silent stream
// lost and the client reconnects.
constexpr auto kDrainLimit = std::chrono::milliseconds(3000);
constexpr int kPeerFrames = 1000;
constexpr double kCpuGoal = 1.25;
constexpr double kPaintGoal = 24;
constexpr double kMemoryGoalMib = 400;

struct Snapshot {
    double wall = 0;
    double cpu = 0;
    uint64_t presented = 0;  // over all panes
};

Snapshot Take(const std::vector<VideoSurface*>& surfaces) {
    const bench::Instant now = bench::Instant::Now();
    Snapshot snapshot{now.wall_seconds, now.cpu_seconds, 0};
    for (const VideoSurface* surface : surfaces) {
        snapshot.presented += surface->PicturesPresented();
    }
    return snapshot;
}

// Frames each channel's streams sent so far; nullopt when the recorder did
// not answer or could not count a stream's frames.
struct Sent {
    std::vector<uint64_t> frames = std::vector<uint64_t>(kPanes, 0);
    std::vector<uint64_t> bytes = std::vector<uint64_t>(kPanes, 0);
    std::vector<int> streams = std::vector<int>(kPanes, 0);  // more than one: a restart
    std::vector<int> numbers;                                // stream numbers asked
};

std::optional<Sent> SentPerChannel(bench::ViewRecorder& recorder, const sim::MediaClip& clip) {
    const auto streams = recorder.Streams();
    if (!streams) {
        return std::nullopt;
    }
    Sent sent;
    for (const bench::SentStream& stream : *streams) {
        if (stream.video_frames < 0 && stream.sound_open) {
            return std::nullopt;
        }
        if (stream.channel >= 0 && stream.channel < kPanes) {
            const auto k = static_cast<size_t>(stream.channel);
            sent.frames[k] += stream.video_frames >= 0
                                  ? static_cast<uint64_t>(stream.video_frames)
                                  : bench::LiveStreamFrames(clip, stream.bytes);
            sent.bytes[k] += stream.bytes;
            ++sent.streams[k];
            if (std::find(sent.numbers.begin(), sent.numbers.end(), stream.stream_number) ==
                sent.numbers.end()) {
                sent.numbers.push_back(stream.stream_number);
            }
        }
    }
    return sent;
}

int ParseSeconds(int argc, char** argv) {
    if (argc < 2) {
        return 60;
    }
    const int seconds = std::atoi(argv[1]);
    return seconds >= 10 && seconds <= 600 ? seconds : 0;
}

// Per-picture CPU of the five ffmpeg runs; empty when one failed.
std::vector<double> PeerCosts(const sim::MediaClip& clip, const std::filesystem::path& folder,
                              int width, int height) {
    const std::filesystem::path units = folder / "units.h264";
    if (!bench::WriteAccessUnits(units, clip, kPeerFrames)) {
        std::printf("  cannot write %s\n", units.string().c_str());
        return {};
    }
    const std::string arguments = "-threads 1 -filter_threads 1 -i " + bench::Quoted(units) +
                                  " -vf scale=" + std::to_string(width) + ":" +
                                  std::to_string(height) + ":flags=bilinear,format=bgra -f null -";
    std::vector<double> costs;
    for (int run = 0; run < kSegments; ++run) {
        const auto figures = bench::RunFfmpeg(arguments, folder / "ffmpeg.log");
        if (!figures || figures->frames != kPeerFrames) {
            std::printf("  ffmpeg run %d failed\n", run + 1);
            return {};
        }
        costs.push_back(figures->cpu_seconds / kPeerFrames);
    }
    std::error_code ignored;
    std::filesystem::remove(units, ignored);
    return costs;
}

int Run(int seconds, const std::filesystem::path& folder) {
    std::string error;
    const auto media = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media) {
        std::printf("view live: cannot load media: %s\n", error.c_str());
        return 1;
    }
    const sim::MediaClip& clip = media->main_clip;
    bench::ScratchHome home;
    if (!home.Valid()) {
        std::printf("view live: no scratch home\n");
        return 1;
    }
    // The stop is counted in bytes of video alone; the selected pane's stream
    // also carries sound, so every stream gets enough bytes for the whole
    // window with sound, and those without it run on for a while.
    bench::ViewRecorderOptions options;
    options.count_frames = true;
    options.stall_after_frames = bench::LiveStreamFrames(
        clip,
        bench::LiveStreamBytes(
            clip, static_cast<uint64_t>(seconds + kStreamSpareSeconds) * kFramesPerSecond, true));
    const uint64_t stall_bytes = bench::LiveStreamBytes(clip, options.stall_after_frames);
    auto recorder = bench::ViewRecorder::Start(kProgram, options);
    if (!recorder) {
        return 1;
    }
    const platform::ResidentMemory before = platform::ProcessResidentMemory();
    int pane_width = 0, pane_height = 0;
    double worst_paints = 0, worst_presented = 0, peak_mib = 0;
    std::vector<double> our_costs;
    bool complete = false;
    {
        bench::ViewSession session(home.Folder(), *recorder);
        session.PressLogin();
        std::vector<VideoSurface*> surfaces;
        const bool started = bench::RunEventsUntil(
            [&] {
                surfaces = session.VisibleSurfaces();
                return surfaces.size() == kPanes &&
                       std::all_of(surfaces.begin(), surfaces.end(),
                                   [](VideoSurface* s) { return s->PicturesPresented() > 0; });
            },
            bench::Clock::now() + kFirstPicturesLimit, std::chrono::milliseconds(20));
        if (!started) {
            std::printf("view live: %zu visible panes, not all with a picture within %lld s\n",
                        surfaces.size(), static_cast<long long>(kFirstPicturesLimit.count()));
            return 1;
        }
        pane_width = static_cast<int>(surfaces[0]->width() * surfaces[0]->devicePixelRatioF());
        pane_height = static_cast<int>(surfaces[0]->height() * surfaces[0]->devicePixelRatioF());
        const std::optional<Sent> first = SentPerChannel(*recorder, clip);
        const std::vector<int> stream_numbers = first ? first->numbers : std::vector<int>{};
        std::printf(
            "view live: %d D1 channels at %d fps in the live page's %zu panes of %dx%d "
            "(offscreen), stream number%s asked: %d, each stream stops after %llu frames' bytes; "
            "%d s window; peer: ffmpeg -threads 1 decoding and scaling to %dx%d BGRA\n",
            kPanes, kFramesPerSecond, surfaces.size(), pane_width, pane_height,
            stream_numbers.size() == 1 ? "" : "s",
            stream_numbers.empty() ? -1 : stream_numbers.front(),
            static_cast<unsigned long long>(options.stall_after_frames), seconds, pane_width,
            pane_height);
        std::vector<uint64_t> paints0;
        for (const VideoSurface* surface : surfaces) {
            paints0.push_back(surface->Paints());
        }
        std::vector<Snapshot> marks{Take(surfaces)};
        for (int second = 1; second <= seconds; ++second) {
            const double left = marks.front().wall + second - bench::Instant::Now().wall_seconds;
            bench::RunEventsFor(
                std::chrono::milliseconds(std::max(0, static_cast<int>(left * 1000))));
            const double mib = bench::Mib(platform::ProcessResidentMemory().current_bytes);
            peak_mib = std::max(peak_mib, mib);
            if (second * kSegments / seconds != (second - 1) * kSegments / seconds) {
                marks.push_back(Take(surfaces));
            }
            if (second % 10 == 0) {
                std::printf("  %3d s: %llu pictures presented, resident %.1f MiB\n", second,
                            static_cast<unsigned long long>(Take(surfaces).presented -
                                                            marks.front().presented),
                            mib);
                std::fflush(stdout);
            }
        }
        const Snapshot end = Take(surfaces);
        const double wall = end.wall - marks.front().wall;
        std::vector<double> paint_rates;
        for (size_t k = 0; k < surfaces.size(); ++k) {
            paint_rates.push_back(static_cast<double>(surfaces[k]->Paints() - paints0[k]) / wall);
        }
        for (size_t i = 1; i < marks.size(); ++i) {
            const uint64_t pictures = marks[i].presented - marks[i - 1].presented;
            our_costs.push_back(pictures > 0 ? (marks[i].cpu - marks[i - 1].cpu) /
                                                   static_cast<double>(pictures)
                                             : 0);
        }

        // Every stream sends its last frame, then the panes show what they hold.
        std::optional<Sent> sent;
        bench::RunEventsUntil(
            [&] {
                sent = SentPerChannel(*recorder, clip);
                return sent && std::all_of(sent->bytes.begin(), sent->bytes.end(),
                                           [&](uint64_t bytes) { return bytes >= stall_bytes; });
            },
            bench::Clock::now() + std::chrono::seconds(seconds / 3 + kStreamsEndSpareSeconds),
            std::chrono::milliseconds(500));
        if (!sent) {
            std::printf("view live: the recorder did not say what it sent\n");
            return 1;
        }
        bench::RunEventsUntil(
            [&] {
                for (size_t k = 0; k < surfaces.size(); ++k) {
                    if (surfaces[k]->PicturesPresented() < sent->frames[k]) {
                        return false;
                    }
                }
                return true;
            },
            bench::Clock::now() + kDrainLimit, std::chrono::milliseconds(20));

        std::printf("  %-5s %8s %10s %9s %8s\n", "pane", "sent", "presented", "paints/s",
                    "streams");
        worst_presented = 1e9;
        for (size_t k = 0; k < surfaces.size(); ++k) {
            const uint64_t shown = surfaces[k]->PicturesPresented();
            const uint64_t frames = sent->frames[k];
            std::printf("  %-5zu %8llu %10llu %9.1f %8d\n", k,
                        static_cast<unsigned long long>(frames),
                        static_cast<unsigned long long>(shown), paint_rates[k], sent->streams[k]);
            worst_presented =
                std::min(worst_presented,
                         frames > 0 ? static_cast<double>(shown) / static_cast<double>(frames) : 0);
        }
        worst_paints = *std::min_element(paint_rates.begin(), paint_rates.end());
        std::printf("  CPU: %.2f s in %.1f s = %.3f cores, %.2f ms per presented picture\n",
                    end.cpu - marks.front().cpu, wall, (end.cpu - marks.front().cpu) / wall,
                    bench::Median(our_costs) * 1000);
        complete = true;
    }
    const platform::ResidentMemory after = platform::ProcessResidentMemory();
    peak_mib = std::max(peak_mib, bench::Mib(after.peak_bytes));

    std::printf("  pictures presented/sent per pane: min %.3f (goal 1.0): %s\n", worst_presented,
                worst_presented >= 1.0 ? "met" : "NOT MET");
    std::printf("  paints per pane per second: min %.1f (goal at least %.0f): %s\n", worst_paints,
                kPaintGoal, worst_paints >= kPaintGoal ? "met" : "NOT MET");
    std::printf(
        "  resident memory: %.1f MiB before the login, peak %.1f MiB (goal at most %.0f MiB): "
        "%s\n",
        bench::Mib(before.current_bytes), peak_mib, kMemoryGoalMib,
        peak_mib <= kMemoryGoalMib ? "met" : "NOT MET");
    const std::vector<double> peer_costs = PeerCosts(clip, folder, pane_width, pane_height);
    if (complete && peer_costs.size() == our_costs.size()) {
        std::vector<double> ratios;
        for (size_t i = 0; i < our_costs.size(); ++i) {
            ratios.push_back(peer_costs[i] > 0 ? our_costs[i] / peer_costs[i] : 0);
        }
        std::string pairs;
        for (const double ratio : ratios) {
            char one[16];
            std::snprintf(one, sizeof one, " %.3f", ratio);
            pairs += one;
        }
        const double ratio = bench::Median(ratios);
        std::printf(
            "  CPU per picture: ours %.2f ms, ffmpeg %.2f ms (medians); ours/ffmpeg %.3f (pairs%s) "
            "(goal at most %.2f): %s\n",
            bench::Median(our_costs) * 1000, bench::Median(peer_costs) * 1000, ratio, pairs.c_str(),
            kCpuGoal, ratio <= kCpuGoal ? "met" : "NOT MET");
    }
    return complete ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeViewRecorderIfAsked(argc, argv)) {
        return *served;
    }
    const int seconds = ParseSeconds(argc, argv);
    if (seconds == 0) {
        std::printf("usage: bench_view_live [seconds 10..600]\n");
        return 2;
    }
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-view-live-" +
         std::to_string(bench::Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        std::printf("view live: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    bench::UseOffscreenPlatform(folder.string(), 1920, 1080);
    int status = 1;
    {
        QApplication application(argc, argv);
        kestrel::widgets::Theme::Apply(application);
        status = Run(seconds, folder);
    }
    std::filesystem::remove_all(folder, failed);
    return status;
}
