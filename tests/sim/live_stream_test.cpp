// Live stream start and the stream that follows: recording header, video
// records, padding, time stamps, payloads against the clips, pacing.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "sim/media_clip.h"
#include "sim/model_identity.h"
#include "sim/result_codes.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::MediaClip;
using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using kestrel::sim::StreamId;
using namespace sim_test;

std::optional<MediaClip> LoadClip(const char* file) {
    std::string error;
    auto clip =
        MediaClip::Load(platform::JoinPath(RecorderConfig::DefaultMediaFolder(), file), &error);
    EXPECT_TRUE(clip) << error;
    return clip;
}

RecorderConfig Unpaced() {
    RecorderConfig config;
    config.unpaced_live = true;
    return config;
}

struct StartedStream {
    StreamId id;
    Bytes header;
};

// Sends the start request and reads the 16-byte answer and the header.
StartedStream StartStream(Client& client, uint32_t mask, uint32_t stream_number) {
    StartedStream started;
    EXPECT_TRUE(client.Send(LiveStartRequest(mask, stream_number)));
    const Bytes answer = client.Read(16);
    EXPECT_EQ(answer.size(), 16u);
    if (answer.size() == 16) {
        EXPECT_EQ(LE32(answer, 0), 16u);
        EXPECT_EQ(LE32(answer, 4), 0u);
        started.id = StreamId{LE32(answer, 8), LE32(answer, 12)};
    }
    started.header = client.Read(512);
    EXPECT_EQ(started.header.size(), 512u);
    return started;
}

std::vector<VideoRecord> ReadVideoRecords(Client& client, size_t count) {
    RecordReader reader;
    std::vector<VideoRecord> videos;
    for (int reads = 0; videos.size() < count && reads < 10000; ++reads) {
        const Bytes piece = client.Read(16384, 2000);
        if (piece.empty()) {
            break;
        }
        reader.Append(piece);
        while (auto record = reader.Next()) {
            EXPECT_TRUE(record->video) << "audio record while sound is closed";
            if (record->video && videos.size() < count) {
                videos.push_back(std::move(*record->video));
            }
        }
        if (reader.Broken()) {
            break;
        }
    }
    return videos;
}

TEST(LiveStream, AnswerAndHeaderDescribeTheStream) {
    RecorderSim sim(Unpaced());
    StartOrFail(sim);
    Client client(sim.CommandPort());
    const StartedStream stream = StartStream(client, 1u << 5, 0);
    ASSERT_EQ(stream.header.size(), 512u);

    const auto ids = sim.Observed().StreamIds();
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(ids[0], stream.id);
    const auto observed = sim.Observed().Stream(stream.id);
    ASSERT_TRUE(observed);
    EXPECT_EQ(observed->channel, 5);
    EXPECT_EQ(observed->stream_number, 0);

    const Bytes& h = stream.header;
    EXPECT_GE(h[37], 24) << "year - 2000";
    EXPECT_TRUE(h[38] >= 1 && h[38] <= 12 && h[39] >= 1 && h[39] <= 31 && h[40] <= 23 &&
                h[41] <= 59 && h[42] <= 59);
    EXPECT_TRUE(std::equal(h.begin() + 37, h.begin() + 43, h.begin() + 43)) << "end = start";
    EXPECT_NE(h[53], 0) << "25-frame video standard";
    const auto* identity = kestrel::sim::FindModelIdentity(0x96, 0x13);
    ASSERT_NE(identity, nullptr);
    EXPECT_EQ(LE16(h, 76), identity->model_number);
    EXPECT_EQ(std::string(h.begin() + 80, h.begin() + 92), identity->model_code);
    EXPECT_EQ(h[100], 6) << "channel 5 counted from 1";
    EXPECT_EQ(h[101], 25);
    for (size_t record = 1; record < 4; ++record) {
        EXPECT_EQ(h[100 + record * 40], 0) << "unused channel record " << record;
    }
}

TEST(LiveStream, MainStreamRecordsCarryTheClipInOrderAndLoop) {
    RecorderSim sim(Unpaced());
    StartOrFail(sim);
    const auto loaded = LoadClip("clip_d1.h264");
    ASSERT_TRUE(loaded);
    const MediaClip& clip = *loaded;
    Client client(sim.CommandPort());
    StartStream(client, 1u << 2, 0);
    const size_t frames = clip.AccessUnitCount() + 15;  // past the loop point
    const auto videos = ReadVideoRecords(client, frames);
    ASSERT_EQ(videos.size(), frames);

    Bytes first_loop;
    for (size_t i = 0; i < videos.size(); ++i) {
        SCOPED_TRACE(i);
        const VideoRecord& v = videos[i];
        EXPECT_EQ(v.digit, '0' + 2);
        EXPECT_EQ(v.sub, '0');
        EXPECT_EQ(v.extension_length, 8u);
        ASSERT_EQ(v.extension.size(), 8u);
        EXPECT_EQ(LE64(v.extension, 0), i) << "the extension holds the frame index";
        const auto unit = clip.AccessUnit(i % clip.AccessUnitCount());
        ASSERT_EQ(v.payload.size(), unit.size());
        EXPECT_TRUE(std::equal(unit.begin(), unit.end(), v.payload.begin()));
        if (i > 0) {
            EXPECT_EQ(v.pts, videos[i - 1].pts + 40000);
        }
        if (i < clip.AccessUnitCount()) {
            first_loop.insert(first_loop.end(), v.payload.begin(), v.payload.end());
        }
    }
    // One loop of payloads is the clip file, byte for byte.
    EXPECT_TRUE(
        std::equal(first_loop.begin(), first_loop.end(), clip.Bytes().begin(), clip.Bytes().end()));
}

TEST(LiveStream, SubStreamSendsTheCifClipMarkedAsSecondStream) {
    RecorderSim sim(Unpaced());
    StartOrFail(sim);
    const auto loaded = LoadClip("clip_cif.h264");
    ASSERT_TRUE(loaded);
    const MediaClip& clip = *loaded;
    Client client(sim.CommandPort());
    StartStream(client, 1u << 0, 1);
    const auto videos = ReadVideoRecords(client, 3);
    ASSERT_EQ(videos.size(), 3u);
    for (size_t i = 0; i < videos.size(); ++i) {
        EXPECT_EQ(videos[i].digit, '0');
        EXPECT_EQ(videos[i].sub, '1');
        const auto unit = clip.AccessUnit(i);
        EXPECT_TRUE(std::equal(unit.begin(), unit.end(), videos[i].payload.begin(),
                               videos[i].payload.end()));
    }
}

TEST(LiveStream, RefusalsAnswerWithoutAStreamAndKeepTheConnection) {
    RecorderConfig config;  // model 0x96/0x13: 8 channels
    config.users = {{"viewer", "pw", 9, 0, 0}};
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    auto result_of = [&](const Bytes& request) {
        EXPECT_TRUE(client.Send(request));
        const Bytes answer = client.Read(8);
        EXPECT_EQ(answer.size(), 8u);
        EXPECT_EQ(LE32(answer, 0), 8u);
        return answer.size() == 8 ? static_cast<int32_t>(LE32(answer, 4)) : -1;
    };
    using namespace kestrel::sim;
    EXPECT_EQ(result_of(LiveStartRequest(1, 0, "viewer", "wrong")), kResultBadCredentials);
    EXPECT_EQ(result_of(LiveStartRequest(1u << 8, 0, "viewer", "pw")), kResultNoSuchChannel);
    EXPECT_EQ(result_of(LiveStartRequest(0, 0, "viewer", "pw")), kResultNoSuchChannel);
    EXPECT_EQ(result_of(LiveStartRequest(0b11, 0, "viewer", "pw")), kResultNoSuchChannel);
    EXPECT_EQ(result_of(LiveStartRequest(1, 2, "viewer", "pw")), kResultNoSuchStream);
    Bytes short_request = LiveStartRequest(1, 0, "viewer", "pw");
    PutBE32(short_request, 16, 84);
    EXPECT_EQ(result_of(short_request), kResultBadRequest);
    Bytes wrong_constant = LiveStartRequest(1, 0, "viewer", "pw");
    PutBE32(wrong_constant, 24, 15);
    EXPECT_EQ(result_of(wrong_constant), kResultBadRequest);
    EXPECT_TRUE(sim.Observed().StreamIds().empty());

    // The highest channel is accepted on the same connection.
    ASSERT_TRUE(client.Send(LiveStartRequest(1u << 7, 0, "viewer", "pw")));
    const Bytes answer = client.Read(16);
    ASSERT_EQ(answer.size(), 16u);
    EXPECT_EQ(LE32(answer, 4), 0u);
}

TEST(LiveStream, StreamsGetDistinctIdentifiersAndEndWithTheirClient) {
    RecorderSim sim(Unpaced());
    StartOrFail(sim);
    std::vector<StreamId> ids;
    {
        Client first(sim.CommandPort());
        Client second(sim.CommandPort());
        ids.push_back(StartStream(first, 1, 0).id);
        ids.push_back(StartStream(second, 2, 1).id);
        EXPECT_EQ(sim.Observed().RunningStreams(), 2u);
    }
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(sim.Observed().StreamIds(), ids);
    EXPECT_TRUE(WaitUntil([&] { return sim.Observed().RunningStreams() == 0; }));
}

TEST(LiveStream, CaptureHoldsExactlyTheBytesTheClientReceived) {
    RecorderConfig config = Unpaced();
    config.capture_live = true;
    config.faults.stall_live_after_bytes = 100000;  // a fixed amount to compare
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(LiveStartRequest(1, 0)));
    const Bytes answer = client.Read(16);
    ASSERT_EQ(answer.size(), 16u);
    const Bytes received = client.Read(100000);
    ASSERT_EQ(received.size(), 100000u);
    const StreamId id{LE32(answer, 8), LE32(answer, 12)};
    // The log is written once a send returns, which may be after the client has the bytes.
    ASSERT_TRUE(WaitUntil([&] { return sim.Observed().StreamBytesSent(id) == 100000; }));
    const auto observed = sim.Observed().Stream(id);
    ASSERT_TRUE(observed);
    EXPECT_EQ(observed->captured, received);
    EXPECT_FALSE(observed->capture_truncated);
}

// Reads `count` frames of a stream switched after `after` frames and checks
// each against the clip it should come from, byte for byte, with the frame
// index and time stamp running on evenly across the switch.
void ExpectSwitchedStream(uint32_t stream_number, uint64_t after, size_t count) {
    RecorderConfig config = Unpaced();
    config.live_clip_switch_after_frames = after;
    RecorderSim sim(config);
    StartOrFail(sim);
    const auto main_clip = LoadClip("clip_d1.h264");
    const auto sub_clip = LoadClip("clip_cif.h264");
    ASSERT_TRUE(main_clip && sub_clip);
    const MediaClip& own = stream_number == 1 ? *sub_clip : *main_clip;
    const MediaClip& other = stream_number == 1 ? *main_clip : *sub_clip;
    Client client(sim.CommandPort());
    StartStream(client, 1u << 3, stream_number);
    const auto videos = ReadVideoRecords(client, count);
    ASSERT_EQ(videos.size(), count);
    for (size_t i = 0; i < videos.size(); ++i) {
        SCOPED_TRACE(i);
        const VideoRecord& v = videos[i];
        EXPECT_EQ(v.digit, '0' + 3);
        EXPECT_EQ(v.sub, '0' + stream_number) << "the stream keeps its own marker";
        ASSERT_EQ(v.extension.size(), 8u);
        EXPECT_EQ(LE64(v.extension, 0), i);
        if (i > 0) {
            EXPECT_EQ(v.pts, videos[i - 1].pts + 40000);
        }
        const auto unit = i < after ? own.AccessUnit(i % own.AccessUnitCount())
                                    : other.AccessUnit((i - after) % other.AccessUnitCount());
        EXPECT_TRUE(std::equal(unit.begin(), unit.end(), v.payload.begin(), v.payload.end()));
    }
}

TEST(LiveClipSwitch, MainStreamGoesOnWithTheCifClipFromItsFirstUnitAndLoopsIt) {
    // Three D1 units, then more than a whole loop of the CIF clip.
    ExpectSwitchedStream(0, 3, 3 + 100 + 10);
}

TEST(LiveClipSwitch, SwitchPastTheLoopPointStartsTheOtherClipOver) {
    // Mid-way through the second loop of the sub clip, into the D1 clip.
    ExpectSwitchedStream(1, 130, 130 + 20);
}

TEST(LiveClipSwitch, SwitchAtZeroSendsOnlyTheOtherClip) {
    ExpectSwitchedStream(1, 0, 5);
}

TEST(LiveStream, PacedStreamRunsAtTwentyFiveFramesPerSecond) {
    RecorderSim sim;  // paced
    StartOrFail(sim);
    Client client(sim.CommandPort());
    StartStream(client, 1, 1);
    const auto start = std::chrono::steady_clock::now();
    RecordReader reader;
    size_t frames = 0;
    while (MsSince(start) < 1200) {
        reader.Append(client.Read(65536, 50));
        while (auto record = reader.Next()) {
            frames += record->video.has_value();
        }
    }
    // Frame n is due at n * 40 ms: about 31 frames in 1.2 s (frame 0 at once).
    EXPECT_LE(frames, 33u);
    EXPECT_GE(frames, 20u);
}

}  // namespace
