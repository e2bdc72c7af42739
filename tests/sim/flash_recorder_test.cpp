// The recorders' side of the upgrade tool's protocol, driven with raw
// loopback sockets and packets built from the byte layouts.
#include <gtest/gtest.h>

#include <map>
#include <numeric>
#include <string>
#include <vector>

#include "sim/flash_fleet.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::FlashFleet;
using kestrel::sim::FlashFleetConfig;
using kestrel::sim::FlashRecorder;
using kestrel::sim::FlashRecorderConfig;
using kestrel::sim::FlashVerdict;
using namespace sim_test;

constexpr size_t kPacket = 1032;

uint32_t BE32(const Bytes& b, size_t at) {
    return uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

Bytes Packet(uint32_t command, uint32_t length) {
    Bytes packet(kPacket, 0);
    PutBE32(packet, 0, command);
    PutBE32(packet, 4, length);
    return packet;
}

Bytes UpgradeRequest(uint32_t image_size, const std::string& name) {
    Bytes packet(kPacket, 0);
    PutBE32(packet, 0, 2000);
    PutLE32(packet, 4, 132);
    PutBE32(packet, 8, image_size);
    PutText(packet, 12, name);
    return packet;
}

struct Reply {
    uint32_t command = 0, status = 0;
    bool operator==(const Reply&) const = default;
};

// Plays the tool: the request, then the next chunk after each status-0
// answer; the replies in order, until a non-zero status or an upload end
// (where the tool would close), or until the recorder closes or goes quiet.
std::vector<Reply> Upload(uint16_t port, const Bytes& image, const std::vector<uint32_t>& chunks,
                          uint32_t announced) {
    Client client(port, "127.0.0.2");
    const Bytes request = UpgradeRequest(announced, "flash.sw");
    // In two pieces: the recorder must gather a packet over several receives.
    EXPECT_TRUE(client.Send(Bytes(request.begin(), request.begin() + 300)));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(client.Send(Bytes(request.begin() + 300, request.end())));
    std::vector<Reply> replies;
    size_t next = 0, offset = 0;
    for (Bytes reply; (reply = client.Read(kPacket, 1000)).size() == kPacket;) {
        replies.push_back({BE32(reply, 0), BE32(reply, 8)});
        if (replies.back().status != 0 || replies.back().command == 3002) {
            break;
        }
        if (next == chunks.size()) {
            continue;  // wait for the verdict, or for the close
        }
        Bytes chunk = Packet(3000, chunks[next]);
        const size_t take = std::min({size_t{chunks[next++]}, kPacket - 8, image.size() - offset});
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), take, chunk.begin() + 8);
        offset += take;
        EXPECT_TRUE(client.Send(chunk));
    }
    return replies;
}

TEST(FlashRecorder, FleetAnswersOneBroadcastWithEachRecordersBlock) {
    FlashFleetConfig config;
    config.size = 3;
    config.configure = [](int index, FlashRecorderConfig& recorder) {
        if (index == 1) {
            recorder.segment_count = 8;
            recorder.busy = true;
            for (int s = 0; s < 8; ++s) {
                recorder.versions[static_cast<size_t>(s)] = "T00000" + std::to_string(s + 1);
            }
        }
        recorder.replies_per_search = index == 2 ? 2 : 1;
    };
    FlashFleet fleet(config);
    ASSERT_TRUE(fleet.Start()) << fleet.LastError();
    ASSERT_EQ(fleet.Recorder(2).UdpPort(), fleet.UdpPort());
    ASSERT_EQ(fleet.Recorder(2).TcpPort(), fleet.TcpPort());

    platform::Socket tool = platform::Socket::Udp();
    ASSERT_TRUE(tool.Bind("127.0.0.1", 0) && tool.SetBroadcast(true));
    const Bytes other = Packet(2003, 0);
    const Bytes search = Packet(2002, 0);
    ASSERT_EQ(tool.SendTo(other.data(), 100, "127.255.255.255", fleet.UdpPort()), 100);
    ASSERT_EQ(tool.SendTo(search.data(), kPacket, "127.255.255.255", fleet.UdpPort()), 1032);

    std::map<uint8_t, std::vector<Bytes>> by_address;  // by the address's last number
    Bytes reply(1500);
    while (tool.WaitReadable(300) == platform::WaitResult::kReady) {
        const long got = tool.ReceiveFrom(reply.data(), reply.size());
        ASSERT_EQ(got, 1032);
        ASSERT_EQ(BE32(reply, 0), 2003u);
        by_address[reply[8]].push_back(Bytes(reply.begin(), reply.begin() + 1032));
    }
    ASSERT_EQ(by_address.size(), 3u);
    EXPECT_EQ(by_address[4].size(), 2u);
    const Bytes& block = by_address[3].at(0);
    EXPECT_EQ(Bytes(block.begin() + 8, block.begin() + 12), (Bytes{3, 0, 0, 127}));
    EXPECT_EQ(LE32(block, 12), 8u);
    EXPECT_NE(LE32(block, 16), 0u);
    const std::map<int, size_t> field_of_segment = {{1, 36},  {2, 60},  {3, 84},  {4, 12},
                                                    {5, 108}, {6, 132}, {7, 156}, {8, 180}};
    for (const auto& [segment, field] : field_of_segment) {
        const char* text = reinterpret_cast<const char*>(block.data() + 8 + field);
        EXPECT_EQ(std::string(text, strnlen(text, 24)), "T00000" + std::to_string(segment));
    }
    EXPECT_EQ(fleet.Recorder(0).IgnoredDatagrams(), 1u);
    EXPECT_EQ(fleet.Recorder(0).LastSearchRequest(), search);
}

TEST(FlashRecorder, FullUploadIsAcknowledgedAndKept) {
    FlashRecorder recorder;
    ASSERT_TRUE(recorder.Start()) << recorder.LastError();
    Bytes image(2500);
    std::iota(image.begin(), image.end(), uint8_t{1});
    const std::vector<Reply> replies = Upload(recorder.TcpPort(), image, {1024, 1024, 452}, 2500);
    EXPECT_EQ(replies, (std::vector<Reply>{{2001, 0}, {3001, 0}, {3001, 0}, {3001, 0}, {3001, 6}}));
    const kestrel::sim::FlashUploadObservation upload = recorder.LastUpload();
    EXPECT_EQ(upload.request, UpgradeRequest(2500, "flash.sw"));
    EXPECT_EQ(upload.image_name, "flash.sw");
    EXPECT_EQ(upload.chunk_lengths, (std::vector<uint32_t>{1024, 1024, 452}));
    EXPECT_EQ(upload.image, image);
    EXPECT_TRUE(upload.complete);
    EXPECT_EQ(recorder.UploadsCompleted(), 1u);
}

TEST(FlashRecorder, ScriptedAnswersAndRefusedInput) {
    const auto status_at = [](int chunk, uint32_t status) {
        FlashRecorderConfig config;
        config.reply_status_at_chunk = chunk;
        config.scripted_status = status;
        return config;
    };
    FlashRecorderConfig plain, upload_end, close_at_once;
    upload_end.verdict = FlashVerdict::kUploadEnd;
    close_at_once.close_after_request = true;
    const Reply ok_upgrade{2001, 0}, ok_data{3001, 0};
    const struct {
        const char* name;
        FlashRecorderConfig config;
        std::vector<uint32_t> chunks;
        uint32_t announced;
        std::vector<Reply> expected;
    } cases[] = {
        {"refused request", status_at(0, 5), {1024, 476}, 1500, {{2001, 5}}},
        {"status at chunk 2", status_at(2, 9), {1024, 476}, 1500, {ok_upgrade, ok_data, {3001, 9}}},
        {"upload end", upload_end, {1024, 476}, 1500, {ok_upgrade, ok_data, ok_data, {3002, 0}}},
        {"close after request", close_at_once, {}, 1500, {}},
        {"chunk too long", plain, {1025}, 1500, {ok_upgrade}},
        {"chunk past the size", plain, {1024, 1024}, 1500, {ok_upgrade, ok_data}},
        {"size above the limit", plain, {}, (256u << 20) + 1, {}},
    };
    const Bytes image(1500, 0x5a);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FlashRecorder recorder(c.config);
        ASSERT_TRUE(recorder.Start()) << recorder.LastError();
        EXPECT_EQ(Upload(recorder.TcpPort(), image, c.chunks, c.announced), c.expected);
        EXPECT_EQ(recorder.UpgradeRequests(), 1u);
        EXPECT_LE(recorder.LastUpload().image.size(), c.announced);
    }
}

}  // namespace
