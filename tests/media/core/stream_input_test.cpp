// The stream parser fed with records built by the simulator's builders.
#include "stream_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "frame_queue.h"
#include "media_result.h"
#include "platform/paths.h"
#include "sim/frame_records.h"
#include "sim/media_clip.h"
#include "sim/media_set.h"
#include "sim/recorder_config.h"

namespace {

using Bytes = std::vector<uint8_t>;
using kestrel::media::StreamInput;

constexpr uint32_t kH264Type = 0x01000207;
constexpr uint32_t kOlderType = 0x01000101;

struct VideoSeen {
    Bytes record;
    uint32_t tag;
    uint64_t pts;
};
struct AudioSeen {
    int codec;
    Bytes block;
    uint64_t pts;
};

class CollectingSink : public kestrel::media::StreamSink {
public:
    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts) override {
        video.push_back({Bytes(record.begin(), record.end()), tag, pts});
    }
    void OnAudioBlock(int codec, std::span<const uint8_t> block, uint64_t pts) override {
        audio.push_back({codec, Bytes(block.begin(), block.end()), pts});
    }
    std::vector<VideoSeen> video;
    std::vector<AudioSeen> audio;
};

Bytes Pattern(size_t size, uint8_t seed) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return bytes;
}

Bytes VideoRecord(uint64_t pts, const Bytes& payload, const Bytes& extension = {}) {
    Bytes out;
    kestrel::sim::AppendVideoRecord(
        out,
        {.channel = 0, .sub_stream = 0, .pts_us = pts, .extension = extension, .payload = payload});
    return out;
}

Bytes Payload(const Bytes& record, size_t extension = 0) {
    return Bytes(record.begin() + 24 + extension,
                 record.begin() + 24 + extension + (record[8] | record[9] << 8 | record[10] << 16));
}

void Append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

struct Fixture {
    CollectingSink sink;
    std::unique_ptr<StreamInput> input;
    explicit Fixture(uint32_t type = kH264Type) : input(StreamInput::Create(type, sink)) {}
    int32_t Feed(const Bytes& bytes) { return input->InputStream(bytes); }
};

TEST(StreamInput, RecordSplitAcrossBlocksIsDeliveredWhenComplete) {
    Fixture f;
    const Bytes first = VideoRecord(40000, Pattern(300, 1));
    const Bytes second = VideoRecord(80000, Pattern(5000, 2), Pattern(16, 9));
    Bytes stream = first;
    Append(stream, second);

    const size_t cut = first.size() + 1000;
    ASSERT_EQ(f.Feed(Bytes(stream.begin(), stream.begin() + cut)), 0);
    ASSERT_EQ(f.sink.video.size(), 1u);
    EXPECT_EQ(f.input->Fill(), cut - first.size());

    ASSERT_EQ(f.Feed(Bytes(stream.begin() + cut, stream.end())), 0);
    ASSERT_EQ(f.sink.video.size(), 2u);
    const auto& v = f.sink.video[1];
    EXPECT_EQ(Payload(v.record, 16), Pattern(5000, 2));
    EXPECT_EQ(v.record.size(), 24u + 16 + 5000);
    EXPECT_EQ(v.tag, kestrel::media::kChannelZeroMainVideoTag);
    EXPECT_EQ(v.pts, 80000u);
}

TEST(StreamInput, BlockWithoutMarkerKeepsOnlyItsTailForAStraddlingMarker) {
    Fixture f;
    const Bytes record = VideoRecord(40000, Pattern(400, 3));
    Bytes garbage(600, 0xAA);
    // The last five bytes of the block are the start of the next marker.
    Append(garbage, Bytes(record.begin(), record.begin() + 5));
    ASSERT_EQ(f.Feed(garbage), 0);
    EXPECT_TRUE(f.sink.video.empty());
    EXPECT_EQ(f.input->Fill(), 9u);

    ASSERT_EQ(f.Feed(Bytes(record.begin() + 5, record.end())), 0);
    ASSERT_EQ(f.sink.video.size(), 1u);
    EXPECT_EQ(f.sink.video[0].record, Bytes(record.begin(), record.begin() + 24 + 400));
}

TEST(StreamInput, ImpossibleVideoLengthIsSkippedAndParsingResumes) {
    Fixture f;
    Bytes damaged = VideoRecord(1, Pattern(8, 4));
    damaged.resize(24);
    const uint32_t payload = 600000 - 24 - 100;
    std::memcpy(&damaged[8], &payload, 4);  // little-endian host
    damaged[12] = 100;
    damaged[13] = 0;
    const Bytes good = VideoRecord(40000, Pattern(200, 5));
    Bytes stream = damaged;
    Append(stream, good);
    ASSERT_EQ(f.Feed(stream), 0);
    ASSERT_EQ(f.sink.video.size(), 1u);
    EXPECT_EQ(f.sink.video[0].pts, 40000u);
    EXPECT_EQ(Payload(f.sink.video[0].record), Pattern(200, 5));
}

TEST(StreamInput, RawInputForOlderTypesIsOnlyBufferedUntilFull) {
    Fixture f(kOlderType);
    Bytes stream;
    while (stream.size() < kestrel::media::kInputBufferSize + 4096) {
        Append(stream, VideoRecord(stream.size(), Pattern(1000, 6)));
    }
    size_t accepted = 0;
    int32_t result = 0;
    for (size_t at = 0; at + 1024 <= stream.size(); at += 1024) {
        result = f.Feed(Bytes(stream.begin() + at, stream.begin() + at + 1024));
        if (result != 0) {
            break;
        }
        accepted += 1024;
    }
    EXPECT_EQ(accepted, kestrel::media::kInputBufferSize);
    EXPECT_EQ(result, kestrel::media::kMediaInputBufferFull);
    EXPECT_EQ(f.Feed(Bytes(1, 0)), kestrel::media::kMediaInputBufferFull);
    EXPECT_EQ(f.input->Fill(), kestrel::media::kInputBufferSize);
    EXPECT_TRUE(f.sink.video.empty());
}

TEST(StreamInput, AudioReachesTheSinkOnlyWhileSoundIsOpen) {
    const Bytes tone = Pattern(320, 7);
    Bytes stream = VideoRecord(1000000, Pattern(200, 8));
    kestrel::sim::AppendMuLawAudioRecord(stream, 0, tone);
    kestrel::sim::AppendMuLawAudioRecord(stream, 0, tone);
    Append(stream, VideoRecord(1040000, Pattern(200, 9)));

    Fixture closed;
    ASSERT_EQ(closed.Feed(stream), 0);
    EXPECT_EQ(closed.sink.video.size(), 2u);
    EXPECT_TRUE(closed.sink.audio.empty());

    Fixture open;
    open.input->SetSoundOpen(true);
    ASSERT_EQ(open.Feed(stream), 0);
    EXPECT_EQ(open.sink.video.size(), 2u);
    ASSERT_EQ(open.sink.audio.size(), 2u);
    // Stamped relative to the latest video frame.
    EXPECT_EQ(open.sink.audio[0].pts, 1006600u);
    EXPECT_EQ(open.sink.audio[1].pts, 1013200u);
    EXPECT_EQ(open.sink.audio[0].codec, 3);
    EXPECT_EQ(open.sink.audio[0].block.size(), 4u + 320);
    EXPECT_EQ(Bytes(open.sink.audio[0].block.begin() + 4, open.sink.audio[0].block.end()), tone);
    EXPECT_EQ(open.input->AudioTimeStamp(), 1040000u);
}

Bytes AudioRecord(uint16_t block_size, uint16_t payload_length, const Bytes& payload) {
    Bytes out{'0', '5', 'w', 'b', 0, 0, 0, 0};
    std::memcpy(&out[4], &block_size, 2);
    std::memcpy(&out[6], &payload_length, 2);
    Append(out, payload);
    return out;
}

TEST(StreamInput, AudioPayloadLengthZeroIsOneBlockInTheStreamOnly) {
    const Bytes block = Pattern(320, 10);
    Fixture f;
    f.input->SetSoundOpen(true);
    Bytes stream = AudioRecord(320, 0, block);
    Append(stream, AudioRecord(0, 16, Pattern(16, 0xEE)));    // no block size: nothing decoded
    Append(stream, AudioRecord(100, 250, Pattern(250, 11)));  // a partial block is not decoded
    ASSERT_EQ(f.Feed(stream), 0);
    ASSERT_EQ(f.sink.audio.size(), 3u);
    EXPECT_EQ(f.sink.audio[0].codec, 5);
    EXPECT_EQ(f.sink.audio[0].block, block);
    EXPECT_EQ(f.sink.audio[1].block, Pattern(100, 11));
    EXPECT_EQ(f.input->Fill(), 0u);

    // As a single frame the stored length must match, and 0 decodes nothing.
    Fixture single;
    EXPECT_EQ(single.input->InputAudioFrame(AudioRecord(320, 0, block)),
              kestrel::media::kMediaBadFrameLength);
    EXPECT_EQ(single.input->InputAudioFrame(AudioRecord(320, 0, {})), 0);
    EXPECT_EQ(single.input->InputAudioFrame(AudioRecord(160, 320, block)), 0);
    EXPECT_EQ(single.sink.audio.size(), 2u);
}

TEST(StreamInput, SingleVideoFrameMustHaveItsOwnLength) {
    Fixture f;
    Bytes record = VideoRecord(5, Pattern(64, 12), Pattern(8, 13));
    record.resize(24 + 8 + 64);  // without the builder's padding
    EXPECT_EQ(f.input->InputVideoFrame(Bytes(record.begin(), record.end() - 1)),
              kestrel::media::kMediaBadFrameLength);
    EXPECT_EQ(f.input->InputVideoFrame(Bytes(record.begin(), record.begin() + 20)),
              kestrel::media::kMediaBadFrameLength);
    EXPECT_TRUE(f.sink.video.empty());
    EXPECT_EQ(f.input->InputVideoFrame(record), 0);
    ASSERT_EQ(f.sink.video.size(), 1u);
    EXPECT_EQ(f.sink.video[0].record, record);
}

// The parser feeding a real frame queue, as a channel does.
class QueueSink : public kestrel::media::StreamSink {
public:
    QueueSink() : queue(kestrel::media::FrameQueue::Create()) {}
    void OnVideoRecord(std::span<const uint8_t> record, uint32_t tag, uint64_t pts) override {
        pushed_all = queue->Push(record, tag, pts) && pushed_all;
    }
    void OnAudioBlock(int, std::span<const uint8_t>, uint64_t) override { ++audio_blocks; }
    std::unique_ptr<kestrel::media::FrameQueue> queue;
    bool pushed_all = true;
    size_t audio_blocks = 0;
};

TEST(StreamInput, SimulatorStreamSplitAnywhereYieldsTheClipInOrder) {
    std::string error;
    const auto clip = kestrel::sim::MediaClip::Load(
        platform::JoinPath(kestrel::sim::RecorderConfig::DefaultMediaFolder(),
                           kestrel::sim::kMainClipFile),
        &error);
    ASSERT_TRUE(clip) << error;
    const Bytes tone = Pattern(320, 14);
    const Bytes extension = Pattern(8, 15);

    Bytes stream;
    kestrel::sim::RecordingHeaderInfo info;  // live input may start with it
    const auto header = kestrel::sim::BuildRecordingHeader(info);
    stream.assign(header.begin(), header.end());
    for (size_t i = 0; i < clip->AccessUnitCount(); ++i) {
        kestrel::sim::AppendVideoRecord(stream, {.channel = 0,
                                                 .sub_stream = 0,
                                                 .pts_us = (i + 1) * kestrel::sim::kFrameIntervalUs,
                                                 .extension = extension,
                                                 .payload = clip->AccessUnit(i)});
        kestrel::sim::AppendMuLawAudioRecord(stream, 0, tone);
    }

    std::mt19937 random(20240611);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        QueueSink sink;
        auto input = StreamInput::Create(kH264Type, sink);
        input->SetSoundOpen(true);
        std::uniform_int_distribution<size_t> piece(1, 70000);
        for (size_t at = 0; at < stream.size();) {
            const size_t n = std::min(piece(random), stream.size() - at);
            ASSERT_EQ(input->InputStream(std::span(stream).subspan(at, n)), 0);
            at += n;
        }
        EXPECT_TRUE(sink.pushed_all);
        // The last audio record may wait for a later block.
        EXPECT_GE(sink.audio_blocks + 1, clip->AccessUnitCount());
        ASSERT_EQ(sink.queue->Count(), clip->AccessUnitCount());
        Bytes out(kestrel::media::kMaxVideoRecord);
        for (size_t i = 0; i < clip->AccessUnitCount(); ++i) {
            const auto taken = sink.queue->Take(out);
            ASSERT_EQ(taken.status, kestrel::media::FrameQueue::TakeStatus::kFrame);
            EXPECT_EQ(taken.pts_us, (i + 1) * kestrel::sim::kFrameIntervalUs);
            const auto unit = clip->AccessUnit(i);
            ASSERT_EQ(taken.length, 24 + extension.size() + unit.size()) << "unit " << i;
            EXPECT_TRUE(std::equal(unit.begin(), unit.end(), out.begin() + 24 + extension.size()))
                << "unit " << i;
        }
    }
}

}  // namespace
