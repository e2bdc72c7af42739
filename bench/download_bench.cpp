// Download benchmark: one large recording fetched through the library (a
// file-data callback that writes each piece to a file) and, as the peer, by a
// plain socket reader (the download request written by hand, the answer head
// read, then receives copied to a file), from a simulated recorder in a
// process of its own, so this process's CPU time is the client's alone. Both
// timers start once the link is connected and the answer head is in (the
// library's call returns then) and stop at the file's last byte. Every copy
// is compared with the recording byte for byte, outside the timing. Paired
// rounds (see paired_rounds.h) give the ratios.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "paired_rounds.h"
#include "plain_download.h"
#include "recorder_process.h"
#include "sim/recorder_sim.h"

namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

constexpr int kFrames = 80000;  // about 100 MB of recording
constexpr int kWaitMs = 30000;
constexpr double kGoal = 0.9;

struct Sink {
    std::FILE* file = nullptr;
    uint64_t bytes = 0;
    uint64_t expected = 0;
    bench::Instant finished;  // when the last byte was written
    bool ended = false;
    std::mutex lock;
    std::condition_variable changed;
};

void QW_CALLBACK WritePiece(void* user, FileDataRecord* record) {
    auto* sink = static_cast<Sink*>(user);
    if (record->byte_count > 0) {
        std::fwrite(record->data, 1, static_cast<size_t>(record->byte_count), sink->file);
        sink->bytes += static_cast<uint64_t>(record->byte_count);
        if (sink->bytes == sink->expected) {
            sink->finished = bench::Instant::Now();
        }
        return;
    }
    std::lock_guard<std::mutex> guard(sink->lock);
    sink->ended = true;
    sink->changed.notify_all();
}

std::optional<bench::Work> LibraryOnce(QW_DVR_HANDLE handle, const std::string& name,
                                       const std::string& path,
                                       const std::vector<uint8_t>& expected) {
    Sink sink;
    sink.expected = expected.size();
    sink.file = std::fopen(path.c_str(), "wb");
    if (sink.file == nullptr) {
        return std::nullopt;
    }
    QW_DVR_NET_SetFileDataCallBackVMS(handle, &sink, WritePiece);
    std::optional<bench::Work> work;
    if (QW_DVR_NET_VodDownloadClipVMS(handle, name.c_str(), 0, 0, 0, 0) == 0) {
        const bench::Instant start = bench::Instant::Now();
        bool ended = false;
        {
            std::unique_lock<std::mutex> guard(sink.lock);
            ended = sink.changed.wait_for(guard, std::chrono::milliseconds(kWaitMs),
                                          [&] { return sink.ended; });
        }
        const bool complete = ended && sink.bytes == expected.size();
        work = bench::WorkBetween(start, complete ? sink.finished : bench::Instant::Now(),
                                  static_cast<double>(sink.bytes), complete);
    }
    QW_DVR_NET_StopDownLoadVideoFile(handle);
    QW_DVR_NET_SetFileDataCallBackVMS(handle, nullptr, nullptr);
    std::fclose(sink.file);
    if (work && work->ok) {
        work->ok = bench::SameBytes(path, expected);
    }
    return work;
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeRecorderIfAsked(argc, argv)) {
        return *served;
    }
    bench::RecorderOptions options;
    options.recording_frames = kFrames;
    // The same recordings in this process, to check every copy against.
    std::string name;
    std::vector<uint8_t> expected;
    {
        sim::RecorderSim reference(bench::RecorderConfigFor(options));
        if (!reference.Start()) {
            std::printf("download: simulator failed: %s\n", reference.LastError().c_str());
            return 1;
        }
        name = reference.Recordings(0, 2011, 3, 5).at(0).name;
        expected = reference.RecordingBytes(name);
    }
    const auto recorder = bench::RecorderProcess::Start("bench_download", options);
    if (!recorder) {
        return 1;
    }
    int32_t type = 0, subtype = 0, result = 0;
    UserRights rights{};
    QW_DVR_HANDLE handle =
        QW_DVR_NET_Open_Device(recorder->Address().c_str(), recorder->CommandPort(), "admin",
                               "admin", &type, &subtype, &result, &rights, nullptr);
    if (handle == nullptr) {
        std::printf("download: open failed\n");
        return 1;
    }
    const std::string library_path = "/tmp/kestrel_bench_download_library.rec";
    const std::string plain_path = "/tmp/kestrel_bench_download_plain.rec";
    std::printf(
        "download of %.1f MB from a recorder process, %d paired rounds of at least %.0f s; "
        "peer: a plain socket copy\n",
        static_cast<double>(expected.size()) / 1e6, bench::kPairs, bench::kRoundSeconds);
    bench::Comparison comparison;
    comparison.label = "download";
    comparison.unit = "MB/s";
    comparison.amount_per_unit = 1e6;
    comparison.goal = bench::Goal{bench::Basis::kWall, kGoal};
    const bench::PairedResult paired = bench::RunPaired(
        comparison, {"library", [&] { return LibraryOnce(handle, name, library_path, expected); }},
        {"plain", [&] { return bench::PlainOnce(*recorder, name, plain_path, expected); }});
    QW_DVR_NET_Close_Device(handle);
    std::remove(library_path.c_str());
    std::remove(plain_path.c_str());
    return paired.complete && paired.ok ? 0 : 1;
}
