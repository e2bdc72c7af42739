// Throughput of the record file writer on 60 s of D1 video with audio,
// against ffmpeg remuxing the same H.264 and mu-law into AVI (-c copy) in the
// same run. Prints MB/s of both and their ratio (goal: at least 1.0).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ffmpeg_peer.h"
#include "platform/paths.h"
#include "record_file_writer.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/recorder_config.h"

namespace fs = std::filesystem;

int main() {
    constexpr int kFrames = 25 * 60;
    const std::string media = kestrel::sim::RecorderConfig::DefaultMediaFolder();
    std::string error;
    auto clip = kestrel::sim::MediaClip::Load(platform::JoinPath(media, "clip_d1.h264"), &error);
    if (!clip) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / "kestrel_record_bench";
    fs::create_directories(dir);
    const std::vector<uint8_t> tone(320, 0x7F);
    kestrel::sim::RecordingHeaderInfo info;
    info.channels.push_back({0, 25});
    const auto header = kestrel::sim::BuildRecordingHeader(info);
    std::vector<uint8_t> stream(header.begin(), header.end());
    std::ofstream h264(dir / "in.h264", std::ios::binary), ulaw(dir / "in.ul", std::ios::binary);
    for (int n = 0; n < kFrames; ++n) {
        const auto unit = clip->AccessUnit(static_cast<size_t>(n) % clip->AccessUnitCount());
        kestrel::sim::AppendVideoRecord(stream, {0, 0, uint64_t(n) * 40000, {}, unit});
        kestrel::sim::AppendMuLawAudioRecord(stream, 0, tone);
        h264.write(reinterpret_cast<const char*>(unit.data()), std::streamsize(unit.size()));
        ulaw.write(reinterpret_cast<const char*>(tone.data()), std::streamsize(tone.size()));
    }
    h264.close();
    ulaw.close();
    const double megabytes = double(stream.size()) / 1e6;

    const std::string out = (dir / "writer.avi").string();
    fs::remove(out);
    const auto start = std::chrono::steady_clock::now();
    {
        kestrel::client::RecordFileWriter writer;
        if (!writer.Open(out, 0)) {
            std::fprintf(stderr, "%s\n", writer.LastError().c_str());
            return 1;
        }
        for (size_t at = 0; at < stream.size(); at += 102400) {
            writer.Write(stream.data() + at, std::min<size_t>(102400, stream.size() - at));
        }
        writer.Close();
    }
    const double writerSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const auto peer = kestrel::bench::RunFfmpeg(
        "-y -f h264 -r 25 -i " + kestrel::bench::Quoted(dir / "in.h264") +
            " -f mulaw -ar 8000 -ac 1 -i " + kestrel::bench::Quoted(dir / "in.ul") +
            " -c copy -f avi " + kestrel::bench::Quoted(dir / "ffmpeg.avi"),
        dir / "ffmpeg.log");
    if (!peer) {
        std::fprintf(stderr, "ffmpeg failed, see %s\n", (dir / "ffmpeg.log").c_str());
        return 1;
    }
    const double writerRate = megabytes / writerSeconds;
    const double peerRate = megabytes / peer->wall_seconds;
    std::printf("record writer: %.1f MB in %.4f s = %.1f MB/s\n", megabytes, writerSeconds,
                writerRate);
    std::printf("ffmpeg -c copy -f avi: %.4f s = %.1f MB/s\n", peer->wall_seconds, peerRate);
    std::printf("ratio writer/ffmpeg: %.2f (goal >= 1.0)\n", writerRate / peerRate);
    fs::remove_all(dir);
    return 0;
}
