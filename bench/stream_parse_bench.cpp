// Stream parse throughput: a long recorded stream built from the main clip
// (D1 video records, an audio record after each, as the simulator sends a
// live stream with sound on) is fed to the media core's StreamInput in
// blocks of typical receive sizes. Its sink passes each video record
// through a FrameQueue and takes it out again as a decoder would, and
// counts audio blocks. The peer is memcpy of the same blocks into a 1 MiB
// buffer, which is the least any input path costs. Paired rounds (see
// paired_rounds.h) give the ratios; a repetition is one pass over the
// stream, and one that loses a record is reported.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "frame_queue.h"
#include "media_result.h"
#include "paired_rounds.h"
#include "sim/frame_records.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"
#include "stream_input.h"

namespace media = kestrel::media;
namespace sim = kestrel::sim;
namespace bench = kestrel::bench;

namespace {

constexpr uint32_t kH264TypeCode = 0x01000203;
constexpr size_t kStreamBytes = size_t{64} << 20;
constexpr size_t kTakeBufferBytes = size_t{2} << 20;
constexpr size_t kCopyBufferBytes = size_t{1} << 20;
constexpr size_t kRandomCutMax = size_t{64} << 10;

struct BuiltStream {
    std::vector<uint8_t> bytes;
    uint64_t video_records = 0;
    uint64_t video_bytes = 0;  // record lengths without padding
    uint64_t audio_records = 0;
};

BuiltStream BuildStream(const sim::MediaSet& media_set) {
    BuiltStream built;
    built.bytes.reserve(kStreamBytes + (size_t{1} << 20));
    sim::RecordingHeaderInfo info;
    info.channels.push_back(sim::HeaderChannel{0, sim::kFramesPerSecond});
    const auto header = sim::BuildRecordingHeader(info);
    built.bytes.insert(built.bytes.end(), header.begin(), header.end());

    const sim::MediaClip& clip = media_set.main_clip;
    const std::vector<uint8_t>& tone = media_set.tone;
    std::array<uint8_t, sim::kAudioSamplesPerFrame> samples{};
    size_t tone_at = 0;
    for (uint64_t frame = 0; built.bytes.size() < kStreamBytes; ++frame) {
        std::array<uint8_t, 8> extension{};
        for (size_t i = 0; i < extension.size(); ++i) {
            extension[i] = static_cast<uint8_t>(frame >> (8 * i));
        }
        sim::VideoFrame video;
        video.pts_us = 1000000 + frame * sim::kFrameIntervalUs;
        video.extension = extension;
        video.payload = clip.AccessUnit(static_cast<size_t>(frame % clip.AccessUnitCount()));
        sim::AppendVideoRecord(built.bytes, video);
        ++built.video_records;
        built.video_bytes += sim::kVideoHeaderSize + extension.size() + video.payload.size();

        for (uint8_t& sample : samples) {
            sample = tone[tone_at];
            tone_at = (tone_at + 1) % tone.size();
        }
        sim::AppendMuLawAudioRecord(built.bytes, 0, samples);
        ++built.audio_records;
    }
    return built;
}

// Block lengths that cover `total` bytes: all `size`, or random in
// 1..kRandomCutMax for size 0 (fixed seed, so every run cuts alike).
std::vector<size_t> Cuts(size_t total, size_t size) {
    std::vector<size_t> cuts;
    std::mt19937 random(20110305);
    std::uniform_int_distribution<size_t> length(1, kRandomCutMax);
    for (size_t at = 0; at < total;) {
        const size_t next = std::min(total - at, size != 0 ? size : length(random));
        cuts.push_back(next);
        at += next;
    }
    return cuts;
}

// Video records go through the queue at once, so it never fills.
class QueueSink : public media::StreamSink {
public:
    explicit QueueSink(media::FrameQueue& queue) : queue_(queue), taken_(kTakeBufferBytes) {}

    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts_us) override {
        if (!queue_.Push(record, tag, pts_us)) {
            ++lost_;
            return;
        }
        const media::FrameQueue::Taken taken = queue_.Take(taken_);
        if (taken.status != media::FrameQueue::TakeStatus::kFrame ||
            taken.length != record.size() || taken.pts_us != pts_us) {
            ++lost_;
            return;
        }
        ++videos_;
        video_bytes_ += taken.length;
    }
    void OnAudioBlock(int, std::span<const uint8_t>, uint64_t) override { ++audio_blocks_; }

    uint64_t videos_ = 0;
    uint64_t video_bytes_ = 0;
    uint64_t audio_blocks_ = 0;
    uint64_t lost_ = 0;

private:
    media::FrameQueue& queue_;
    std::vector<uint8_t> taken_;
};

std::optional<bench::Work> ParseOnce(const BuiltStream& built, const std::vector<size_t>& cuts) {
    auto queue = media::FrameQueue::Create();
    if (!queue) {
        return std::nullopt;
    }
    QueueSink sink(*queue);
    auto input = media::StreamInput::Create(kH264TypeCode, sink);
    if (!input) {
        return std::nullopt;
    }
    input->SetSoundOpen(true);
    const uint8_t* next = built.bytes.data();
    uint64_t refused_blocks = 0;
    const bench::Stopwatch stopwatch;
    for (const size_t cut : cuts) {
        if (input->InputStream(std::span<const uint8_t>(next, cut)) != media::kMediaOk) {
            ++refused_blocks;
        }
        next += cut;
    }
    return stopwatch.Stop(
        static_cast<double>(built.bytes.size()),
        sink.videos_ == built.video_records && sink.video_bytes_ == built.video_bytes &&
            sink.audio_blocks_ == built.audio_records && sink.lost_ == 0 && refused_blocks == 0);
}

// The peer: the same blocks copied into a ring-like 1 MiB buffer.
std::optional<bench::Work> CopyOnce(const BuiltStream& built, const std::vector<size_t>& cuts) {
    std::vector<uint8_t> buffer(kCopyBufferBytes);
    volatile uint8_t seen = 0;  // keeps the copies from being optimised away
    const uint8_t* next = built.bytes.data();
    size_t fill = 0;
    const bench::Stopwatch stopwatch;
    for (const size_t cut : cuts) {
        if (fill + cut > buffer.size()) {
            fill = 0;
        }
        std::memcpy(buffer.data() + fill, next, cut);
        seen = static_cast<uint8_t>(seen + buffer[fill]);
        fill += cut;
        next += cut;
    }
    return stopwatch.Stop(static_cast<double>(built.bytes.size()));
}

bool Measure(const BuiltStream& built, size_t block_size, const char* label) {
    const std::vector<size_t> cuts = Cuts(built.bytes.size(), block_size);
    bench::Comparison comparison;
    comparison.label = label;
    comparison.unit = "MB/s";
    comparison.amount_per_unit = 1e6;
    const bench::PairedResult paired =
        bench::RunPaired(comparison, {"parser", [&] { return ParseOnce(built, cuts); }},
                         {"memcpy", [&] { return CopyOnce(built, cuts); }});
    return paired.complete && paired.ok;
}

}  // namespace

int main() {
    std::string error;
    const auto media_set = sim::MediaSet::Load(sim::RecorderConfig::DefaultMediaFolder(), &error);
    if (!media_set) {
        std::printf("stream parse: cannot load media: %s\n", error.c_str());
        return 1;
    }
    const BuiltStream built = BuildStream(*media_set);
    std::printf(
        "stream parse throughput: %.1f MB stream, %llu video records (D1), %llu audio records, "
        "%d paired rounds of at least %.0f s; peer: memcpy of the same blocks\n",
        static_cast<double>(built.bytes.size()) / 1e6,
        static_cast<unsigned long long>(built.video_records),
        static_cast<unsigned long long>(built.audio_records), bench::kPairs, bench::kRoundSeconds);
    bool complete = true;
    complete = Measure(built, 1460, "1460 B") && complete;
    complete = Measure(built, size_t{8} << 10, "8 KiB") && complete;
    complete = Measure(built, size_t{64} << 10, "64 KiB") && complete;
    complete = Measure(built, 0, "1..64 KiB") && complete;
    // Speed never fails a benchmark; a lost record does, it is a parser fault.
    return complete ? 0 : 1;
}
