// Stream sound: audio records appear in a running stream only between an
// open and a close given on separate connections.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "sim/media_set.h"
#include "sim/result_codes.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using kestrel::sim::StreamId;
using namespace sim_test;

int32_t SwitchSound(uint16_t port, StreamId id, uint32_t action) {
    Client client(port);
    EXPECT_TRUE(client.Send(StreamSoundRequest(id.word1, id.word2, action)));
    const Bytes answer = client.Read(8);
    EXPECT_EQ(answer.size(), 8u);
    EXPECT_EQ(LE32(answer, 0), 8u);
    return answer.size() == 8 ? static_cast<int32_t>(LE32(answer, 4)) : -1;
}

// Reads records for about duration_ms; returns them in order.
std::vector<Record> ReadRecordsFor(Client& client, RecordReader& reader, int duration_ms) {
    std::vector<Record> records;
    const auto start = std::chrono::steady_clock::now();
    while (MsSince(start) < duration_ms && !reader.Broken()) {
        reader.Append(client.Read(65536, 20));
        while (auto record = reader.Next()) {
            records.push_back(std::move(*record));
        }
    }
    return records;
}

size_t CountAudio(const std::vector<Record>& records) {
    size_t count = 0;
    for (const Record& record : records) {
        count += record.audio.has_value();
    }
    return count;
}

TEST(StreamSound, AudioRecordsFlowOnlyWhileSoundIsOpen) {
    RecorderSim sim;  // paced, so little is in flight when sound switches
    StartOrFail(sim);
    std::string error;
    const auto media = kestrel::sim::MediaSet::Load(RecorderConfig::DefaultMediaFolder(), &error);
    ASSERT_TRUE(media) << error;

    Client stream(sim.CommandPort());
    ASSERT_TRUE(stream.Send(LiveStartRequest(1u << 3, 0)));
    const Bytes answer = stream.Read(16);
    ASSERT_EQ(answer.size(), 16u);
    const StreamId id{LE32(answer, 8), LE32(answer, 12)};
    ASSERT_EQ(stream.Read(512).size(), 512u);
    RecordReader reader;

    const auto before = ReadRecordsFor(stream, reader, 200);
    EXPECT_EQ(CountAudio(before), 0u);
    EXPECT_FALSE(sim.Observed().SoundOpen(id));

    ASSERT_EQ(SwitchSound(sim.CommandPort(), id, 0), kestrel::sim::kResultOk);
    EXPECT_TRUE(sim.Observed().SoundOpen(id));
    const auto open = ReadRecordsFor(stream, reader, 400);
    ASSERT_EQ(SwitchSound(sim.CommandPort(), id, 1), kestrel::sim::kResultOk);
    EXPECT_FALSE(sim.Observed().SoundOpen(id));
    const auto closing = ReadRecordsFor(stream, reader, 100);  // frames already under way
    const auto after = ReadRecordsFor(stream, reader, 300);

    // Frames are a video record, then an audio record while sound is open.
    // The audio frames form one run, covering the open period but perhaps a
    // frame that was already on its way at either switch.
    std::vector<bool> frame_has_audio;
    size_t open_frames = 0;
    size_t tone_at = 0;
    for (const auto* part : {&open, &closing, &after}) {
        for (const Record& record : *part) {
            if (record.video) {
                frame_has_audio.push_back(false);
                open_frames += part == &open;
                continue;
            }
            ASSERT_FALSE(frame_has_audio.empty() || frame_has_audio.back())
                << "audio record not right after a video record";
            frame_has_audio.back() = true;
            const AudioRecord& audio = *record.audio;
            EXPECT_EQ(audio.digit, '3');
            EXPECT_EQ(audio.codec, '3');
            EXPECT_EQ(audio.block_size, 324u);
            EXPECT_EQ(audio.payload_length, 324u);
            ASSERT_EQ(audio.payload.size(), 324u);
            EXPECT_EQ(Bytes(audio.payload.begin(), audio.payload.begin() + 4),
                      (Bytes{0x00, 0x01, 160, 0x00}));
            // The tone's samples in order from its start, without gaps.
            for (size_t i = 4; i < audio.payload.size(); ++i, ++tone_at) {
                ASSERT_EQ(audio.payload[i], media->tone[tone_at % media->tone.size()])
                    << "sample " << tone_at;
            }
        }
    }
    ASSERT_GE(open_frames, 6u);
    for (size_t i = 0; i < frame_has_audio.size(); ++i) {
        if (i >= 1 && i < open_frames) {
            EXPECT_TRUE(frame_has_audio[i]) << "frame " << i << " of the open period";
        }
        if (i > 0 && frame_has_audio[i] && !frame_has_audio[i - 1]) {
            EXPECT_EQ(i, 1u) << "audio started twice";
        }
    }
    EXPECT_LE(CountAudio(closing), 2u);
    EXPECT_EQ(CountAudio(after), 0u);
    EXPECT_GE(after.size(), 4u) << "video goes on without sound";
}

TEST(StreamSound, UnknownEndedOrMalformedRequestsAreRefused) {
    RecorderConfig config;
    config.unpaced_live = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    const uint16_t port = sim.CommandPort();
    StreamId id;
    {
        Client stream(port);
        ASSERT_TRUE(stream.Send(LiveStartRequest(1, 0)));
        const Bytes answer = stream.Read(16);
        ASSERT_EQ(answer.size(), 16u);
        id = {LE32(answer, 8), LE32(answer, 12)};
        EXPECT_EQ(SwitchSound(port, {id.word1, id.word2 ^ 1}, 0),
                  kestrel::sim::kResultUnknownStreamId);
        EXPECT_EQ(SwitchSound(port, {id.word2, id.word1}, 0), kestrel::sim::kResultUnknownStreamId);
        EXPECT_EQ(SwitchSound(port, id, 2), kestrel::sim::kResultBadRequest);
        EXPECT_FALSE(sim.Observed().SoundOpen(id));
        EXPECT_EQ(SwitchSound(port, id, 0), kestrel::sim::kResultOk);
    }
    ASSERT_TRUE(WaitUntil([&] { return sim.Observed().RunningStreams() == 0; }));
    EXPECT_FALSE(sim.Observed().SoundOpen(id));
    EXPECT_EQ(SwitchSound(port, id, 1), kestrel::sim::kResultUnknownStreamId);
}

}  // namespace
