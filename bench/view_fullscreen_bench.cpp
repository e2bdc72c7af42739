// One D1 live channel full screen: the client core plays the main stream of
// a simulated 16-channel recorder (its own process, so this process's CPU is
// the client's alone) into a 1920x1080 video surface under Qt's offscreen
// platform, where every repaint really draws into the backing store. A
// repetition starts the channel, lets it settle, measures a few seconds of
// steady play (CPU, pictures presented against frames the recorder sent,
// repaints) and stops it. The peer is ffmpeg -threads 1 decoding the same
// access units and scaling each picture to 1920x1080 BGRA with the same
// bilinear scaler into -f null. Our side is paced by the recorder, so only
// the CPU ratio means anything; its goal: at most 1.25 times ffmpeg's CPU per
// picture. Goals missed are printed, never an exit status.
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client_context.h"
#include "device.h"
#include "ffmpeg_peer.h"
#include "paired_rounds.h"
#include "platform/process_usage.h"
#include "recorder_open.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"
#include "video_surface.h"
#include "view_bench.h"

namespace bench = kestrel::bench;
namespace client = kestrel::client;
namespace sim = kestrel::sim;

namespace {

constexpr const char* kProgram = "bench_view_fullscreen";
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kChannel = 0;
constexpr int kSettlePictures = 10;  // past the decoder's start and the first resize
constexpr auto kWindow = std::chrono::seconds(4);
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr int kPeerFrames = 500;
// Ours may use at most this much of ffmpeg's CPU per picture.
constexpr double kCpuGoal = 1.25;
// Frames between the recorder's send and the surface's present at either end
// of a window, which a window may gain or lose without any frame dropped.
constexpr int64_t kInFlightSlack = 3;

struct Totals {
    uint64_t sent = 0;
    uint64_t presented = 0;
    uint64_t paints = 0;
    double seconds = 0;
    double worst_presented_ratio = 1;
};

// Frames the recorder sent on the channel's running stream; -1 unknown.
int64_t SentFrames(bench::ViewRecorder& recorder, const sim::MediaClip& clip) {
    const auto streams = recorder.Streams();
    if (!streams) {
        return -1;
    }

    for (auto it = streams->rbegin(); it != streams->rend(); ++it) {
        if (it->channel == kChannel && it->running && !it->sound_open) {
            return static_cast<int64_t>(bench::LiveStreamFrames(clip, it->bytes));
        }
    }
    return -1;
}

std::optional<bench::Work> OursOnce(client::CDevice& device,
                                    kestrel::widgets::VideoSurface& surface,
                                    bench::ViewRecorder& recorder, const sim::MediaClip& clip,
                                    Totals& totals) {
    const uint64_t before = surface.PicturesPresented();
    if (device.StartRealPlay(surface.Window(), kChannel) != 0) {
        std::printf("  the channel did not start\n");
        return std::nullopt;
    }
    const bool settled = bench::RunEventsUntil(
        [&] { return surface.PicturesPresented() >= before + kSettlePictures; },
        bench::Clock::now() + kStartLimit, std::chrono::milliseconds(20));
    if (!settled) {
        device.StopRealPlay(kChannel);
        std::printf("  no pictures within %lld s of the start\n",
                    static_cast<long long>(kStartLimit.count()));
        return std::nullopt;
    }
    const int64_t sent0 = SentFrames(recorder, clip);
    const uint64_t presented0 = surface.PicturesPresented();
    const uint64_t paints0 = surface.Paints();
    const bench::Stopwatch stopwatch;
    bench::RunEventsFor(kWindow);
    const uint64_t presented = surface.PicturesPresented() - presented0;
    const uint64_t paints = surface.Paints() - paints0;
    bench::Work work = stopwatch.Stop(static_cast<double>(presented));
    const int64_t sent1 = SentFrames(recorder, clip);
    device.StopRealPlay(kChannel);
    // Let the stop's queued repaints and posts go before the next round.
    bench::RunEventsFor(std::chrono::milliseconds(200));
    const int64_t sent = sent0 >= 0 && sent1 >= sent0 ? sent1 - sent0 : -1;
    work.ok = sent > 0 && static_cast<int64_t>(presented) + kInFlightSlack >= sent;
    if (sent > 0) {
        totals.sent += static_cast<uint64_t>(sent);
        totals.worst_presented_ratio =
            std::min(totals.worst_presented_ratio,
                     static_cast<double>(presented) / static_cast<double>(sent));
    }
    totals.presented += presented;
    totals.paints += paints;
    totals.seconds += work.wall_seconds;
    return work;
}

// The client core's timers on the Qt event loop, as the program sets them up;
// the pages' own library is not needed for one surface.
client::ClientSeams QtTimerSeams() {
    client::ClientSeams seams = client::ClientSeams::System();
    seams.runLater = [](int milliseconds, std::function<void()> task) {
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(task));
    };
    return seams;
}

int Run(const std::filesystem::path& folder) {
    std::string error;
    const auto media = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media) {
        std::printf("view full screen: cannot load media: %s\n", error.c_str());
        return 1;
    }
    bench::ScratchHome home;
    if (!home.Valid()) {
        std::printf("view full screen: no scratch home\n");
        return 1;
    }
    auto recorder = bench::ViewRecorder::Start(kProgram, bench::ViewRecorderOptions{});
    if (!recorder) {
        return 1;
    }
    client::ClientContext context(home.Folder(), QtTimerSeams());
    context.Init();
    context.ip = recorder->Address();
    context.mediaPort = recorder->CommandPort();
    context.setupPort = recorder->MctpPort();
    context.user = "admin";
    context.password = "admin";
    context.streamChoice = 0;  // main stream: D1
    client::CDevice* device =
        context.AdoptDevice(client::OpenRecorder(context.StoredOpenRequest()));
    if (device == nullptr) {
        std::printf("view full screen: login failed\n");
        return 1;
    }
    int status = 0;
    {
        kestrel::widgets::VideoSurface surface;
        surface.resize(kWidth, kHeight);
        surface.show();
        bench::RunEventsFor(std::chrono::milliseconds(100));
        std::printf(
            "view full screen: one D1 main stream at 25 fps into a %dx%d surface (offscreen, "
            "device pixel ratio %.2f), %lld s windows of steady play; peer: ffmpeg -threads 1 "
            "decoding and scaling to %dx%d BGRA (bilinear) into -f null, %d frames\n",
            surface.width(), surface.height(), surface.devicePixelRatioF(),
            static_cast<long long>(kWindow.count()), kWidth, kHeight, kPeerFrames);
        const std::filesystem::path units = folder / "units.h264";
        if (!bench::WriteAccessUnits(units, media->main_clip, kPeerFrames)) {
            std::printf("view full screen: cannot write %s\n", units.string().c_str());
            return 1;
        }
        Totals totals;
        const bench::Side ours{
            "ours",
            [&] { return OursOnce(*device, surface, *recorder, media->main_clip, totals); }};
        const bench::Side peer{
            "ffmpeg", bench::FfmpegRepetition(
                          "-threads 1 -filter_threads 1 -i " + bench::Quoted(units) +
                              " -vf scale=" + std::to_string(kWidth) + ":" +
                              std::to_string(kHeight) + ":flags=bilinear,format=bgra -f null -",
                          folder / "ffmpeg.log", kPeerFrames, kPeerFrames)};
        bench::Comparison comparison;
        comparison.label = "D1 1080p";
        comparison.unit = "pictures/s";
        comparison.goal = bench::Goal{bench::Basis::kCpu, 1.0 / kCpuGoal};
        const bench::PairedResult result = bench::RunPaired(comparison, ours, peer);
        if (result.complete) {
            std::vector<double> cost;
            for (const double ratio : result.cpu_ratios) {
                cost.push_back(ratio > 0 ? 1.0 / ratio : 0);
            }
            const double median = bench::Median(cost);
            std::printf(
                "  CPU per picture ours/ffmpeg: median %.3f (pairs %.3f..%.3f) (goal at most "
                "%.2f): %s\n",
                median, *std::min_element(cost.begin(), cost.end()),
                *std::max_element(cost.begin(), cost.end()), kCpuGoal,
                median <= kCpuGoal ? "met" : "NOT MET");
        }
        // Warm-up included: every window counts for presenting.
        std::printf(
            "  pictures presented/sent in the windows: %llu/%llu = %.3f, worst window %.3f (the "
            "frames in flight at a window's edges count as missing there)\n",
            static_cast<unsigned long long>(totals.presented),
            static_cast<unsigned long long>(totals.sent),
            totals.sent > 0
                ? static_cast<double>(totals.presented) / static_cast<double>(totals.sent)
                : 0,
            totals.worst_presented_ratio);
        std::printf("  paints per second: %.1f (goal at least 24)\n",
                    totals.seconds > 0 ? static_cast<double>(totals.paints) / totals.seconds : 0);
        const platform::ResidentMemory memory = platform::ProcessResidentMemory();
        std::printf("  resident memory: %.1f MiB, peak %.1f MiB\n",
                    bench::Mib(memory.current_bytes), bench::Mib(memory.peak_bytes));
        std::error_code ignored;
        std::filesystem::remove(units, ignored);
        status = result.complete ? 0 : 1;
    }
    context.Close();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeViewRecorderIfAsked(argc, argv)) {
        return *served;
    }
    std::error_code failed;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(failed) /
        ("kestrel-bench-fullscreen-" +
         std::to_string(bench::Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder, failed);
    if (failed) {
        std::printf("view full screen: no temporary folder: %s\n", failed.message().c_str());
        return 1;
    }
    bench::UseOffscreenPlatform(folder.string(), kWidth, kHeight);
    int status = 1;
    {
        QApplication application(argc, argv);
        status = Run(folder);
    }
    std::filesystem::remove_all(folder, failed);
    return status;
}
