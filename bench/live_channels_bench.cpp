// Sixteen live D1 channels at 25 fps: a simulated 16-channel recorder runs
// as its own process (so this process's figures are the client's alone) and
// paces every channel's main stream; each channel has its own live stream
// through the protocol library, its own decoder handle (BufferMode 0) and a
// window that counts pictures. For each channel and in total: frames sent
// (video records that reached the callback, cut by the media library's own
// parser) against pictures presented when the streams stop and after the
// players drained, then CPU cores used and resident memory. The peer is the
// stream itself: 25 frames per second per channel. Exits 1 when a frame was
// lost (refused input, a lost stream, or fewer pictures than frames after
// the drain).
//
// Usage: bench_live_channels [seconds]   (1..3600, default 60)
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_feed.h"
#include "platform/paths.h"
#include "platform/process_usage.h"
#include "platform/socket.h"

namespace tools = kestrel::tools;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChannels = 16;
constexpr int kFramesPerSecond = 25;
constexpr int kDrainMs = 3000;
constexpr int kReportEverySeconds = 10;

struct CountingWindow {
    KmVideoWindow window{};
    std::atomic<uint64_t> pictures{0};
    std::atomic<uint32_t> touched{0};
    std::atomic<int> clears{0};

    CountingWindow() {
        window.user = this;
        window.formats = KM_FORMAT_YUY2;
        window.present = [](void* user, uint32_t, const uint8_t* pixels, int32_t, int32_t,
                            int32_t) {
            auto* self = static_cast<CountingWindow*>(user);
            if (pixels != nullptr) {
                self->touched.fetch_add(pixels[0], std::memory_order_relaxed);
            }
            self->pictures.fetch_add(1, std::memory_order_relaxed);
        };
        window.clear = [](void* user) { ++static_cast<CountingWindow*>(user)->clears; };
    }
};

struct Channel {
    QW_DECODER_HANDLE decoder = nullptr;
    std::unique_ptr<tools::LiveFeed> feed;
    CountingWindow window;
    bool playing = false;
    bool live = false;
    uint64_t presented_at_stop = 0;
    tools::LiveFigures at_stop;
};

uint16_t FreeLoopbackPort() {
    platform::Socket probe = platform::Socket::Tcp();
    if (!probe.Bind("127.0.0.1", 0)) {
        return 0;
    }
    return probe.LocalPort();
}

double Mib(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The recorder process ends by itself after run_seconds and a margin.
QW_DVR_HANDLE StartRecorder(int run_seconds, int32_t* type, int32_t* subtype) {
    const uint16_t port = FreeLoopbackPort();
    const std::string program = platform::JoinPath(platform::ProgramFolder(), "kestrel-dvrsim");
    if (port == 0 ||
        !platform::StartDetached(
            program, {"--address", "127.0.0.1", "--port", std::to_string(port), "--family", "0x96",
                      "--model", "0x14", "--channels", std::to_string(kChannels), "--duration",
                      std::to_string(run_seconds + 30)})) {
        std::printf("live channels: could not start %s\n", program.c_str());
        return nullptr;
    }
    QW_DVR_HANDLE device = nullptr;
    int32_t result = 0;
    for (int attempt = 0; attempt < 50 && device == nullptr; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        device = QW_DVR_NET_Open_Device("127.0.0.1", port, "admin", "admin", type, subtype, &result,
                                        nullptr, nullptr);
    }
    if (device == nullptr) {
        std::printf("live channels: open failed (%d)\n", result);
    }
    return device;
}

bool StartChannel(QW_DVR_HANDLE device, int32_t index, int32_t type, int32_t subtype,
                  Channel& channel) {
    channel.decoder =
        QW_DVR_MEDIA_OpenDecoder(static_cast<uint32_t>(type), static_cast<uint32_t>(subtype), 0, 0);
    if (channel.decoder == nullptr) {
        return false;
    }
    channel.feed = tools::LiveFeed::Create(channel.decoder, static_cast<uint32_t>(type));
    KmVideoWindow* windows[] = {&channel.window.window};
    channel.playing = channel.feed != nullptr &&
                      QW_DVR_MEDIA_StartPlay(channel.decoder, windows, 1, &index, 1, 0) == 0;
    channel.live = channel.playing &&
                   QW_DVR_NET_SetRealDataCallBack(device, index, channel.feed.get(),
                                                  tools::LiveFeed::OnData) == 0 &&
                   QW_DVR_NET_StartRealAV(device, 0, index, 0, 0, 1, 0, "admin", "admin") == 0;
    return channel.live;
}

uint64_t TotalPresented(const std::array<Channel, kChannels>& channels) {
    uint64_t total = 0;
    for (const Channel& channel : channels) {
        total += channel.window.pictures.load();
    }
    return total;
}

uint64_t TotalReceived(const std::array<Channel, kChannels>& channels) {
    uint64_t total = 0;
    for (const Channel& channel : channels) {
        total += channel.feed ? channel.feed->Figures().video_records : 0;
    }
    return total;
}

// Prints the table; true when no frame was lost.
bool Report(const std::array<Channel, kChannels>& channels, double wall, double cpu) {
    std::printf("  %-7s %9s %11s %10s %9s %8s %7s %6s\n", "channel", "sent", "shown@stop", "queued",
                "shown", "missing", "refused", "lost");
    uint64_t sent = 0, at_stop = 0, shown = 0, refused = 0, lost = 0;
    int64_t missing = 0;
    for (int i = 0; i < kChannels; ++i) {
        const Channel& channel = channels[static_cast<size_t>(i)];
        const tools::LiveFigures figures = channel.at_stop;
        const uint64_t final_shown = channel.window.pictures.load();
        const int64_t channel_missing =
            static_cast<int64_t>(figures.video_records) - static_cast<int64_t>(final_shown);
        std::printf("  %-7d %9llu %11llu %10lld %9llu %8lld %7llu %6llu\n", i,
                    static_cast<unsigned long long>(figures.video_records),
                    static_cast<unsigned long long>(channel.presented_at_stop),
                    static_cast<long long>(figures.video_records) -
                        static_cast<long long>(channel.presented_at_stop),
                    static_cast<unsigned long long>(final_shown),
                    static_cast<long long>(channel_missing),
                    static_cast<unsigned long long>(figures.refused_blocks),
                    static_cast<unsigned long long>(figures.losses));
        sent += figures.video_records;
        at_stop += channel.presented_at_stop;
        shown += final_shown;
        missing += channel_missing;
        refused += figures.refused_blocks;
        lost += figures.losses;
    }
    std::printf("  %-7s %9llu %11llu %10lld %9llu %8lld %7llu %6llu\n", "total",
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(at_stop),
                static_cast<long long>(sent) - static_cast<long long>(at_stop),
                static_cast<unsigned long long>(shown), static_cast<long long>(missing),
                static_cast<unsigned long long>(refused), static_cast<unsigned long long>(lost));
    const double expected = wall * kFramesPerSecond * kChannels;
    std::printf(
        "  sent %.1f frames/s in all against the recorder's %d x %d = %d (%.1f%% of the paced "
        "rate over %.1f s)\n",
        static_cast<double>(sent) / wall, kChannels, kFramesPerSecond, kChannels * kFramesPerSecond,
        expected > 0 ? 100.0 * static_cast<double>(sent) / expected : 0, wall);
    std::printf("  CPU: %.2f s in %.1f s wall = %.3f cores (%.2f ms CPU per presented frame)\n",
                cpu, wall, cpu / wall, shown > 0 ? cpu * 1000 / static_cast<double>(shown) : 0);
    return missing <= 0 && refused == 0 && lost == 0;
}

int ParseSeconds(int argc, char** argv) {
    if (argc < 2) {
        return 60;
    }
    const int seconds = std::atoi(argv[1]);
    return seconds >= 1 && seconds <= 3600 ? seconds : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = ParseSeconds(argc, argv);
    if (seconds == 0) {
        std::printf("usage: bench_live_channels [seconds 1..3600]\n");
        return 2;
    }
    QW_DVR_NET_Init();
    int32_t type = 0, subtype = 0;
    QW_DVR_HANDLE device = StartRecorder(seconds, &type, &subtype);
    if (device == nullptr) {
        QW_DVR_NET_Cleanup();
        return 1;
    }
    std::printf(
        "live channels: %d D1 main streams at %d fps for %d s, recorder type 0x%08X "
        "subtype 0x%08X, BufferMode 0, YUY2 windows\n",
        kChannels, kFramesPerSecond, seconds, static_cast<unsigned>(type),
        static_cast<unsigned>(subtype));
    const platform::ResidentMemory before = platform::ProcessResidentMemory();
    auto channels = std::make_unique<std::array<Channel, kChannels>>();
    bool all_started = true;
    const double cpu_start = platform::ProcessCpuSeconds();
    const auto start = Clock::now();
    for (int i = 0; i < kChannels; ++i) {
        if (!StartChannel(device, i, type, subtype, (*channels)[static_cast<size_t>(i)])) {
            std::printf("  channel %d did not start\n", i);
            all_started = false;
        }
    }
    for (int elapsed = 0; elapsed < seconds && all_started; ++elapsed) {
        std::this_thread::sleep_until(start + std::chrono::seconds(elapsed + 1));
        if ((elapsed + 1) % kReportEverySeconds == 0) {
            std::printf("  %3d s: %llu sent, %llu shown, resident %.1f MiB\n", elapsed + 1,
                        static_cast<unsigned long long>(TotalReceived(*channels)),
                        static_cast<unsigned long long>(TotalPresented(*channels)),
                        Mib(platform::ProcessResidentMemory().current_bytes));
            std::fflush(stdout);
        }
    }
    for (int i = 0; i < kChannels; ++i) {
        Channel& channel = (*channels)[static_cast<size_t>(i)];
        if (channel.live) {
            QW_DVR_NET_StopRealAV(device, i);
        }
        channel.presented_at_stop = channel.window.pictures.load();
        channel.at_stop = channel.feed ? channel.feed->Figures() : tools::LiveFigures{};
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = platform::ProcessCpuSeconds() - cpu_start;
    const platform::ResidentMemory at_stop = platform::ProcessResidentMemory();
    // The players show what they still hold.
    const auto drain_end = Clock::now() + std::chrono::milliseconds(kDrainMs);
    while (Clock::now() < drain_end && TotalPresented(*channels) < TotalReceived(*channels)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (int i = 0; i < kChannels; ++i) {
        Channel& channel = (*channels)[static_cast<size_t>(i)];
        if (channel.playing) {
            QW_DVR_MEDIA_StopPlay(channel.decoder, i);
        }
        if (channel.decoder != nullptr) {
            QW_DVR_MEDIA_CloseDecoder(channel.decoder);
        }
    }
    QW_DVR_NET_Close_Device(device);
    const bool complete = all_started && Report(*channels, wall, cpu);
    // The kernel updates the peak lazily, so it can trail a fresh reading.
    const platform::ResidentMemory after = platform::ProcessResidentMemory();
    std::printf(
        "  resident memory: %.1f MiB before the channels, %.1f MiB at the stop, peak %.1f MiB, "
        "%.1f MiB after closing\n",
        Mib(before.current_bytes), Mib(at_stop.current_bytes),
        Mib(std::max(after.peak_bytes, at_stop.current_bytes)), Mib(after.current_bytes));
    std::printf("  %s\n", complete ? "every frame sent was presented"
                                   : "FRAMES LOST (see missing, refused, lost)");
    QW_DVR_NET_Cleanup();
    return complete ? 0 : 1;
}
