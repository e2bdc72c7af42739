// Throughput of the record file writer on a long stream (at least 200 MB of
// D1 video records, each followed by an audio record, so ffmpeg's start-up
// does not weigh), against ffmpeg remuxing the same H.264 and mu-law into
// AVI (-c copy). Every output is checked outside the timing: its size against
// the payload, and the video packets ffprobe counts (the writer's audio
// packets too) against the frames. Paired rounds (see paired_rounds.h) give
// the ratios.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ffmpeg_peer.h"
#include "paired_rounds.h"
#include "platform/paths.h"
#include "record_file_writer.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/recorder_config.h"

namespace fs = std::filesystem;
namespace bench = kestrel::bench;
namespace sim = kestrel::sim;

namespace {

constexpr size_t kPayloadBytes = size_t{200} << 20;
constexpr size_t kWritePiece = 102400;  // what one live receive hands over
// An AVI chunk adds a header, a pad byte and an index entry: well under this.
constexpr uint64_t kOverheadPerChunk = 64;
constexpr uint64_t kOverheadFixed = uint64_t{1} << 20;
constexpr double kGoal = 1.0;

struct Input {
    std::vector<uint8_t> stream;  // recording header, then the records
    uint64_t payload = 0;         // H.264 and mu-law bytes
    long frames = 0;
};

Input BuildInput(const sim::MediaClip& clip, const fs::path& h264_path, const fs::path& ulaw_path) {
    Input input;
    const std::vector<uint8_t> tone(sim::kAudioSamplesPerFrame, 0x7F);
    sim::RecordingHeaderInfo info;
    info.channels.push_back({0, sim::kFramesPerSecond});
    const auto header = sim::BuildRecordingHeader(info);
    input.stream.assign(header.begin(), header.end());
    std::ofstream h264(h264_path, std::ios::binary), ulaw(ulaw_path, std::ios::binary);
    while (input.stream.size() < kPayloadBytes) {
        const auto unit =
            clip.AccessUnit(static_cast<size_t>(input.frames) % clip.AccessUnitCount());
        const uint64_t pts = static_cast<uint64_t>(input.frames) * sim::kFrameIntervalUs;
        sim::AppendVideoRecord(input.stream, {0, 0, pts, {}, unit});
        sim::AppendMuLawAudioRecord(input.stream, 0, tone);
        h264.write(reinterpret_cast<const char*>(unit.data()), std::streamsize(unit.size()));
        ulaw.write(reinterpret_cast<const char*>(tone.data()), std::streamsize(tone.size()));
        input.payload += unit.size() + tone.size();
        ++input.frames;
    }
    if (!h264 || !ulaw) {
        input.frames = 0;
    }
    return input;
}

bool SizeFits(const fs::path& file, const Input& input) {
    std::error_code error;
    const uint64_t size = fs::file_size(file, error);
    const uint64_t chunks = 2 * static_cast<uint64_t>(input.frames);
    return !error && size >= input.payload &&
           size <= input.payload + kOverheadPerChunk * chunks + kOverheadFixed;
}

std::optional<bench::Work> WriterOnce(const Input& input, const fs::path& out) {
    fs::remove(out);
    std::optional<bench::Work> work;
    kestrel::client::RecordFileWriter writer;
    {
        const bench::Stopwatch stopwatch;
        if (!writer.Open(out.string(), 0)) {
            std::printf("record writer: %s\n", writer.LastError().c_str());
            return std::nullopt;
        }
        for (size_t at = 0; at < input.stream.size(); at += kWritePiece) {
            writer.Write(input.stream.data() + at,
                         std::min<size_t>(kWritePiece, input.stream.size() - at));
        }
        writer.Close();
        work = stopwatch.Stop(static_cast<double>(input.stream.size()));
    }
    const kestrel::client::RecordState& state = writer.State();
    work->ok = state.videoChunks == input.frames && state.audioChunks == input.frames &&
               SizeFits(out, input) && bench::ProbePackets(out, "v:0") == input.frames &&
               bench::ProbePackets(out, "a:0") == input.frames;
    return work;
}

}  // namespace

int main() {
    const std::string media = sim::RecorderConfig::DefaultMediaFolder();
    std::string error;
    auto clip = sim::MediaClip::Load(platform::JoinPath(media, "clip_d1.h264"), &error);
    if (!clip) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / "kestrel_record_bench";
    fs::create_directories(dir);
    const Input input = BuildInput(*clip, dir / "in.h264", dir / "in.ul");
    if (input.frames == 0) {
        std::fprintf(stderr, "record writer: cannot write the inputs in %s\n", dir.c_str());
        return 1;
    }
    std::printf(
        "record writer on %.1f MB of stream (%ld D1 frames with audio, %.1f MB of payload), %d "
        "paired rounds of at least %.0f s; peer: ffmpeg -c copy -f avi\n",
        double(input.stream.size()) / 1e6, input.frames, double(input.payload) / 1e6, bench::kPairs,
        bench::kRoundSeconds);
    const fs::path writer_out = dir / "writer.avi";
    const fs::path ffmpeg_out = dir / "ffmpeg.avi";
    const bench::Repetition remux = bench::FfmpegRepetition(
        "-y -f h264 -r 25 -i " + bench::Quoted(dir / "in.h264") + " -f mulaw -ar 8000 -ac 1 -i " +
            bench::Quoted(dir / "in.ul") + " -c copy -f avi " + bench::Quoted(ffmpeg_out),
        dir / "ffmpeg.log", double(input.stream.size()), static_cast<int>(input.frames));
    bench::Comparison comparison;
    comparison.label = "writer";
    comparison.unit = "MB/s";
    comparison.amount_per_unit = 1e6;
    comparison.goal = bench::Goal{bench::Basis::kWall, kGoal};
    const bench::PairedResult paired =
        bench::RunPaired(comparison, {"writer", [&] { return WriterOnce(input, writer_out); }},
                         {"ffmpeg", [&]() -> std::optional<bench::Work> {
                              std::optional<bench::Work> work = remux();
                              if (work) {
                                  work->ok = work->ok && SizeFits(ffmpeg_out, input) &&
                                             bench::ProbePackets(ffmpeg_out, "v:0") == input.frames;
                              }
                              return work;
                          }});
    fs::remove_all(dir);
    return paired.complete && paired.ok ? 0 : 1;
}
