// Live-stream receive benchmark.
//
// 1. Throughput: one channel's stream, sent by a simulated recorder in a
//    process of its own as fast as the socket takes it, received through the
//    library (a callback that counts bytes) and, as the peer, by a plain
//    socket reader of the same stream. Each repetition is one stream session
//    timed from the end of its start request; paired rounds (see
//    paired_rounds.h) give the ratios.
// 2. Cost of one real-time D1 channel: the simulator runs as its own process
//    and paces the stream; the CPU time this process spends receiving it
//    through the library, per second of wall time.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_net.h"
#include "paired_rounds.h"
#include "platform/paths.h"
#include "platform/socket.h"
#include "recorder_process.h"

namespace bench = kestrel::bench;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSession = std::chrono::seconds(1);
constexpr double kGoal = 0.9;

std::atomic<uint64_t> g_bytes{0};

void QW_CALLBACK CountBytes(QW_DVR_HANDLE, int32_t, int32_t, const unsigned char*, int32_t count,
                            void*) {
    if (count > 0) {
        g_bytes.fetch_add(static_cast<uint64_t>(count), std::memory_order_relaxed);
    }
}

void PutBE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// The peer: the start request written by hand, then plain receives.
std::optional<bench::Work> PlainSession(const bench::RecorderProcess& recorder) {
    platform::Socket socket = platform::Socket::Tcp();
    if (socket.Connect(recorder.Address(), recorder.CommandPort(), 5000) !=
        platform::ConnectResult::kConnected) {
        return std::nullopt;
    }
    unsigned char block[500] = {};
    PutBE32(block, 1);
    PutBE32(block + 4, 3);
    PutBE32(block + 16, 104);
    PutBE32(block + 20, 1);
    PutBE32(block + 24, 16);
    PutBE32(block + 28, 1);
    PutBE32(block + 32, 1);
    std::memcpy(block + 40, "admin", 5);
    std::memcpy(block + 72, "admin", 5);
    if (!socket.SendAll(block, sizeof block, 5000)) {
        return std::nullopt;
    }
    size_t response = 0;
    while (response < 16) {  // the 16-byte start answer, then the stream
        if (socket.WaitReadable(5000) != platform::WaitResult::kReady) {
            return std::nullopt;
        }
        long got = socket.Receive(block + response, 16 - response);
        if (got <= 0) {
            return std::nullopt;
        }
        response += static_cast<size_t>(got);
    }
    std::vector<unsigned char> buffer(102400);
    uint64_t bytes = 0;
    bool broken = false;
    const bench::Stopwatch stopwatch;
    const auto end = Clock::now() + kSession;
    while (Clock::now() < end) {
        if (socket.WaitReadable(5000) != platform::WaitResult::kReady) {
            broken = true;
            break;
        }
        long got = socket.Receive(buffer.data(), buffer.size());
        if (got <= 0) {
            broken = true;
            break;
        }
        bytes += static_cast<uint64_t>(got);
    }
    return stopwatch.Stop(static_cast<double>(bytes), !broken);
}

std::optional<bench::Work> LibrarySession(QW_DVR_HANDLE device) {
    QW_DVR_NET_SetRealDataCallBack(device, 0, nullptr, CountBytes);
    if (QW_DVR_NET_StartRealAV(device, 0, 0, 0, 0, 1, 0, "admin", "admin") != 0) {
        return std::nullopt;
    }
    const uint64_t before = g_bytes.load();
    const bench::Stopwatch stopwatch;
    std::this_thread::sleep_for(kSession);
    bench::Work work = stopwatch.Stop(static_cast<double>(g_bytes.load() - before));
    QW_DVR_NET_StopRealAV(device, 0);
    return work;
}

QW_DVR_HANDLE Open(const std::string& host, uint16_t port) {
    int32_t type = 0, subtype = 0, result = 0;
    return QW_DVR_NET_Open_Device(host.c_str(), port, "admin", "admin", &type, &subtype, &result,
                                  nullptr, nullptr);
}

bool Throughput() {
    bench::RecorderOptions options;
    options.unpaced_live = true;
    const auto recorder = bench::RecorderProcess::Start("bench_live_stream", options);
    if (!recorder) {
        return false;
    }
    QW_DVR_HANDLE device = Open(recorder->Address(), recorder->CommandPort());
    if (device == nullptr) {
        std::printf("throughput: open failed\n");
        return false;
    }
    std::printf(
        "live stream throughput from a recorder process, sessions of %lld s, %d paired rounds "
        "of at least %.0f s; peer: a plain socket reader\n",
        static_cast<long long>(kSession.count()), bench::kPairs, bench::kRoundSeconds);
    bench::Comparison comparison;
    comparison.label = "live";
    comparison.unit = "MB/s";
    comparison.amount_per_unit = 1e6;
    comparison.goal = bench::Goal{bench::Basis::kWall, kGoal};
    const bench::PairedResult paired =
        bench::RunPaired(comparison, {"library", [&] { return LibrarySession(device); }},
                         {"plain", [&] { return PlainSession(*recorder); }});
    QW_DVR_NET_Close_Device(device);
    return paired.complete && paired.ok;
}

uint16_t FreeLoopbackPort() {
    platform::Socket probe = platform::Socket::Tcp();
    if (!probe.Bind("127.0.0.1", 0)) {
        return 0;
    }
    return probe.LocalPort();
}

void RealTimeCost() {
    uint16_t port = FreeLoopbackPort();
    std::string program = platform::JoinPath(platform::ProgramFolder(), "kestrel-dvrsim");
    if (port == 0 ||
        !platform::StartDetached(program, {"--address", "127.0.0.1", "--port", std::to_string(port),
                                           "--duration", "20"})) {
        std::printf("real-time cost: could not start %s\n", program.c_str());
        return;
    }
    QW_DVR_HANDLE device = nullptr;
    for (int attempt = 0; attempt < 50 && device == nullptr; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        device = Open("127.0.0.1", port);
    }
    if (device == nullptr) {
        std::printf("real-time cost: open failed\n");
        return;
    }
    g_bytes = 0;
    QW_DVR_NET_SetRealDataCallBack(device, 0, nullptr, CountBytes);
    QW_DVR_NET_StartRealAV(device, 0, 0, 0, 0, 1, 0, "admin", "admin");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::clock_t cpu_start = std::clock();
    uint64_t bytes_start = g_bytes.load();
    auto wall_start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    double cpu = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    double wall = std::chrono::duration<double>(Clock::now() - wall_start).count();
    uint64_t bytes = g_bytes.load() - bytes_start;
    QW_DVR_NET_StopRealAV(device, 0);
    QW_DVR_NET_Close_Device(device);
    std::printf(
        "one real-time D1 channel: %.0f kbit/s received, %.2f ms CPU per second "
        "(%.3f%% of one core)\n",
        static_cast<double>(bytes) * 8 / wall / 1000, cpu * 1000 / wall, cpu * 100 / wall);
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeRecorderIfAsked(argc, argv)) {
        return *served;
    }
    QW_DVR_NET_Init();
    const bool ok = Throughput();
    RealTimeCost();
    QW_DVR_NET_Cleanup();
    return ok ? 0 : 1;
}
