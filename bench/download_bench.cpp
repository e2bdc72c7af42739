// Download benchmark: one large recording fetched through the library (a
// file-data callback that writes each piece to a file) and, as the peer, by a
// plain socket reader (the download request written by hand, the answer head
// read, then receives copied to a file) in the same run, against the same
// in-process simulator. Prints both rates and their ratio.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "platform/socket.h"
#include "sim/recorder_sim.h"

namespace sim = kestrel::sim;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 3;
constexpr int kFrames = 20000;  // about 25 MB of recording
constexpr int kWaitMs = 30000;

struct Sink {
    std::FILE* file = nullptr;
    uint64_t bytes = 0;
    bool ended = false;
    std::mutex lock;
    std::condition_variable changed;
};

void QW_CALLBACK WritePiece(void* user, FileDataRecord* record) {
    auto* sink = static_cast<Sink*>(user);
    if (record->byte_count > 0) {
        std::fwrite(record->data, 1, static_cast<size_t>(record->byte_count), sink->file);
        sink->bytes += static_cast<uint64_t>(record->byte_count);
        return;
    }
    std::lock_guard<std::mutex> guard(sink->lock);
    sink->ended = true;
    sink->changed.notify_all();
}

void PutBE32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

double MegabytesPerSecond(uint64_t bytes, Clock::duration took) {
    return static_cast<double>(bytes) / 1e6 / std::chrono::duration<double>(took).count();
}

double LibraryRate(QW_DVR_HANDLE handle, const std::string& name, const std::string& path,
                   uint64_t expected) {
    Sink sink;
    sink.file = std::fopen(path.c_str(), "wb");
    if (sink.file == nullptr) {
        return 0;
    }
    QW_DVR_NET_SetFileDataCallBackVMS(handle, &sink, WritePiece);
    const auto start = Clock::now();
    bool ended = false;
    if (QW_DVR_NET_VodDownloadClipVMS(handle, name.c_str(), 0, 0, 0, 0) == 0) {
        std::unique_lock<std::mutex> guard(sink.lock);
        ended = sink.changed.wait_for(guard, std::chrono::milliseconds(kWaitMs),
                                      [&] { return sink.ended; });
    }
    const auto took = Clock::now() - start;
    QW_DVR_NET_StopDownLoadVideoFile(handle);
    QW_DVR_NET_SetFileDataCallBackVMS(handle, nullptr, nullptr);
    std::fclose(sink.file);
    return ended && sink.bytes == expected ? MegabytesPerSecond(sink.bytes, took) : 0;
}

double PlainRate(const sim::RecorderSim& recorder, const std::string& name, const std::string& path,
                 uint64_t expected) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return 0;
    }
    const auto start = Clock::now();
    platform::Socket socket = platform::Socket::Tcp();
    uint64_t copied = 0;
    if (socket.Connect(recorder.Address(), recorder.CommandPort(), 5000) ==
        platform::ConnectResult::kConnected) {
        unsigned char block[500] = {};
        PutBE32(block, 1);
        PutBE32(block + 4, 7);
        PutBE32(block + 16, 172);
        PutBE32(block + 20, 1);
        std::memcpy(block + 44, name.data(), std::min<size_t>(name.size(), 127));
        std::vector<unsigned char> buffer(102400);
        size_t head = 0;
        // Bounded: every receive waits at most kWaitMs and the file is finite.
        if (socket.SendAll(block, sizeof block, 5000)) {
            for (;;) {
                if (socket.WaitReadable(kWaitMs) != platform::WaitResult::kReady) {
                    break;
                }
                const size_t want = head < 12 ? 12 - head : buffer.size();
                const long got = socket.Receive(buffer.data(), want);
                if (got <= 0) {
                    break;
                }
                if (head < 12) {
                    head += static_cast<size_t>(got);
                    continue;
                }
                std::fwrite(buffer.data(), 1, static_cast<size_t>(got), out);
                copied += static_cast<uint64_t>(got);
                if (copied >= expected) {
                    break;
                }
            }
        }
    }
    const auto took = Clock::now() - start;
    std::fclose(out);
    return copied == expected ? MegabytesPerSecond(copied, took) : 0;
}

}  // namespace

int main() {
    sim::RecorderConfig config;
    config.recording_frames = kFrames;
    sim::RecorderSim recorder(config);
    if (!recorder.Start()) {
        std::printf("download: simulator failed: %s\n", recorder.LastError().c_str());
        return 1;
    }
    const std::string name = recorder.Recordings(0, 2011, 3, 5).at(0).name;
    const uint64_t size = recorder.RecordingBytes(name).size();  // generated before timing
    int32_t type = 0, subtype = 0, result = 0;
    UserRights rights{};
    QW_DVR_HANDLE handle =
        QW_DVR_NET_Open_Device(recorder.Address().c_str(), recorder.CommandPort(), "admin", "admin",
                               &type, &subtype, &result, &rights, nullptr);
    if (handle == nullptr) {
        std::printf("download: open failed\n");
        return 1;
    }
    const std::string library_path = "/tmp/kestrel_bench_download_library.rec";
    const std::string plain_path = "/tmp/kestrel_bench_download_plain.rec";
    double best_library = 0, best_plain = 0;
    std::printf("download of %.1f MB, best of %d rounds:\n", static_cast<double>(size) / 1e6,
                kRounds);
    for (int round = 0; round < kRounds; ++round) {
        const double library = LibraryRate(handle, name, library_path, size);
        const double plain = PlainRate(recorder, name, plain_path, size);
        std::printf("  round %d: library %.1f MB/s, plain socket copy %.1f MB/s\n", round + 1,
                    library, plain);
        best_library = std::max(best_library, library);
        best_plain = std::max(best_plain, plain);
    }
    std::printf("download: library %.1f MB/s, plain socket copy %.1f MB/s, ratio %.2f\n",
                best_library, best_plain, best_plain > 0 ? best_library / best_plain : 0.0);
    QW_DVR_NET_Close_Device(handle);
    std::remove(library_path.c_str());
    std::remove(plain_path.c_str());
    return 0;
}
