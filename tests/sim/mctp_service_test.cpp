// The MCTP configuration service and the whole-configuration commands, from
// a raw socket: requests and answers are written and read as text here, not
// with the codec the simulator uses, so the service is checked against the
// message format rather than against itself.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/result_codes.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using kestrel::sim::ServicePort;
using namespace sim_test;

std::string Hdp(const std::vector<std::string>& segments) {
    std::string body = "Segment-Num:" + std::to_string(segments.size()) + "\r\n";
    for (size_t i = 0; i < segments.size(); ++i) {
        body += "Segment-Seq:" + std::to_string(i + 1) +
                "\r\nData-Length:" + std::to_string(segments[i].size()) + "\r\n\r\n" + segments[i];
    }
    return body;
}

std::string Request(const std::string& start_line, const std::string& body,
                    const std::string& fields = "CSeq:77\r\n") {
    return start_line + "\r\n" + fields +
           "Func-Version:0x10\r\nContent-Length:" + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Call(const std::string& function, const std::vector<std::string>& segments) {
    return Request("REMOTE " + function + " MCTP/1.0", Hdp(segments));
}

std::string WordText(uint32_t value) {
    return std::string{static_cast<char>(value), static_cast<char>(value >> 8),
                       static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
}

struct Answer {
    std::string header;  // up to and including the empty line
    std::string body;
    bool closed = false;  // the service closed the connection after it
};

// Sends text on a fresh connection and reads until the service closes it.
Answer Exchange(uint16_t port, const std::string& text) {
    Client client(port);
    EXPECT_TRUE(client.Send(Bytes(text.begin(), text.end())));
    Bytes all;
    while (!client.PeerClosed()) {
        const Bytes piece = client.Read(1 << 16, 3000);
        if (piece.empty() && !client.PeerClosed()) {
            break;
        }
        all.insert(all.end(), piece.begin(), piece.end());
    }
    const std::string received(all.begin(), all.end());
    const size_t end = received.find("\r\n\r\n");
    Answer answer;
    answer.closed = client.PeerClosed();
    answer.header = received.substr(0, end == std::string::npos ? received.size() : end + 4);
    answer.body = end == std::string::npos ? "" : received.substr(end + 4);
    return answer;
}

bool HasLine(const Answer& answer, const std::string& line) {
    return answer.header.find("\r\n" + line + "\r\n") != std::string::npos;
}

TEST(MctpService, AnswerEchoesCSeqAndCarriesReturnCodeLengthAndSegments) {
    RecorderConfig config;
    config.channel_count = 4;
    RecorderSim sim(config);
    StartOrFail(sim);
    const Answer answer = Exchange(sim.MctpPort(), Call("QW_SRDK_DEV_GetDevCaps", {}));
    EXPECT_EQ(answer.header.rfind("MCTP/1.0 200 OK\r\n", 0), 0u) << answer.header;
    EXPECT_TRUE(HasLine(answer, "CSeq:77"));
    EXPECT_TRUE(HasLine(answer, "Content-Type:text/HDP"));
    EXPECT_TRUE(HasLine(answer, "Return-Code:0"));
    EXPECT_TRUE(HasLine(answer, "Content-Length:" + std::to_string(answer.body.size())));
    const std::string caps = WordText(4) + std::string(124, '\0');
    EXPECT_EQ(answer.body, Hdp({caps}));
    EXPECT_TRUE(answer.closed);

    const Answer no_cseq =
        Exchange(sim.MctpPort(), Request("REMOTE QW_SRDK_DEV_SaveFlash MCTP/1.0", Hdp({}), ""));
    EXPECT_EQ(no_cseq.header.find("CSeq"), std::string::npos);
    EXPECT_EQ(no_cseq.body, Hdp({}));
    EXPECT_EQ(sim.Observed().AcceptedConnections(ServicePort::kMctp), 2u);
    EXPECT_EQ(sim.Observed().AcceptedConnections(ServicePort::kCommand), 0u);
}

TEST(MctpService, RequestsThatDoNotFitTheirCallGetTheShapeCodeAndNoSegments) {
    RecorderSim sim;
    StartOrFail(sim);
    const std::string shape_code = "Return-Code:0x8F000001";
    const std::vector<std::string> wrong[] = {
        {WordText(1)},                                     // a get that takes nothing
        {std::string(39, 'g')},                            // one byte short of the record
        {WordText(0), std::string(72, 'v'), WordText(2)},  // two records announced, one sent
        {WordText(0), std::string(72, 'v')},               // the count segment missing
    };
    const char* functions[] = {"QW_SRDK_DEV_GetDevCaps", "QW_SRDK_GUI_SetAttr",
                               "QW_SRDK_MEDIA_SetVideoAttr", "QW_SRDK_MEDIA_SetVideoAttr"};
    for (size_t i = 0; i < std::size(wrong); ++i) {
        SCOPED_TRACE(i);
        const Answer answer = Exchange(sim.MctpPort(), Call(functions[i], wrong[i]));
        EXPECT_TRUE(HasLine(answer, shape_code)) << answer.header;
        EXPECT_EQ(answer.body, Hdp({}));
    }
    // The right shape of the same set is taken.
    const Answer right = Exchange(
        sim.MctpPort(),
        Call("QW_SRDK_MEDIA_SetVideoAttr", {WordText(0), std::string(72, 'v'), WordText(1)}));
    EXPECT_TRUE(HasLine(right, "Return-Code:0"));
}

TEST(MctpService, UnknownFunctionsAndOtherMessagesGetAStatusWithoutBody) {
    RecorderSim sim;
    StartOrFail(sim);
    const Answer unknown = Exchange(sim.MctpPort(), Call("QW_SRDK_DEV_SelfDestruct", {}));
    EXPECT_EQ(unknown.header, "MCTP/1.0 404 Not Found\r\nCSeq:77\r\nContent-Length:0\r\n\r\n");
    EXPECT_TRUE(unknown.body.empty());
    EXPECT_TRUE(unknown.closed);

    for (const std::string& text :
         {Request("FETCH QW_SRDK_DEV_GetDevCaps MCTP/1.0", Hdp({})),
          Request("MCTP/1.0 200 OK", Hdp({})),
          Request("REMOTE QW_SRDK_DEV_GetDevCaps MCTP/1.0", "Segment-Num:2\r\n"),
          std::string("REMOTE QW_SRDK_DEV_GetDevCaps MCTP/1.0\r\nContent-Length:x\r\n\r\n")}) {
        SCOPED_TRACE(text);
        const Answer answer = Exchange(sim.MctpPort(), text);
        EXPECT_EQ(answer.header.rfind("MCTP/1.0 400 Bad Request\r\n", 0), 0u) << answer.header;
        EXPECT_TRUE(answer.body.empty());
    }
    // Every request is logged, one with a body that is not HDP without
    // segments; the answer is not.
    const auto seen = sim.Observed().MctpRequests();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].function, "QW_SRDK_DEV_SelfDestruct");
    EXPECT_EQ(seen[1].segment_count, 0);
    EXPECT_EQ(seen[2].segment_count, -1);
}

TEST(MctpService, ObservationsKeepEachRequestAsSent) {
    RecorderSim sim;
    StartOrFail(sim);
    const std::string record("\0\r\n\r\nrecord", 11);
    Exchange(sim.MctpPort(), Request("REMOTE QW_SRDK_TV_SetTVAttr MCTP/1.0",
                                     Hdp({record.substr(0, 4)}), "CSeq:\r\n"));
    const auto seen = sim.Observed().MctpRequests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].function, "QW_SRDK_TV_SetTVAttr");
    EXPECT_EQ(seen[0].func_version, "0x10");
    EXPECT_EQ(seen[0].cseq, "");
    EXPECT_EQ(seen[0].segment_count, 1);
    EXPECT_EQ(seen[0].segments.at(0), Bytes({0, '\r', '\n', '\r'}));
}

TEST(MctpService, IncompleteAndOversizedRequestsEndWithoutAnAnswer) {
    RecorderConfig config;
    config.request_timeout_ms = 300;
    RecorderSim sim(config);
    StartOrFail(sim);
    const std::string request = Call("QW_SRDK_DEV_GetDevCaps", {});
    const auto start = std::chrono::steady_clock::now();
    const Answer half = Exchange(sim.MctpPort(), request.substr(0, request.size() - 3));
    EXPECT_TRUE(half.header.empty());
    EXPECT_TRUE(half.closed);
    EXPECT_LT(MsSince(start), 2000);

    const Answer endless = Exchange(sim.MctpPort(), "REMOTE " + std::string(3000, 'x'));
    EXPECT_TRUE(endless.header.empty());
    EXPECT_TRUE(endless.closed);

    const Answer huge = Exchange(
        sim.MctpPort(), "REMOTE QW_SRDK_DEV_GetDevCaps MCTP/1.0\r\nContent-Length:1048577\r\n\r\n");
    EXPECT_EQ(huge.header.rfind("MCTP/1.0 400", 0), 0u) << huge.header;
}

TEST(MctpService, PiecesFaultSendsTheAnswerAByteAtATime) {
    RecorderConfig config;
    config.faults.mctp.answer_in_pieces = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.MctpPort());
    const std::string request = Call("QW_SRDK_DEV_GetDevCaps", {});
    ASSERT_TRUE(client.Send(Bytes(request.begin(), request.end())));
    size_t receives = 0;
    Bytes all;
    uint8_t piece[4096];
    while (all.size() < 4096 &&
           client.Socket().WaitReadable(3000) == platform::WaitResult::kReady) {
        const long got = client.Socket().Receive(piece, sizeof piece);
        if (got <= 0) {
            break;
        }
        ++receives;
        all.insert(all.end(), piece, piece + got);
    }
    const Answer whole = Exchange(sim.MctpPort(), request);
    EXPECT_EQ(std::string(all.begin(), all.end()), whole.header + whole.body);
    // A few hundred bytes, paced byte by byte: far more receives than a
    // whole answer needs, even on a loaded machine.
    EXPECT_GT(receives, 10u);
}

TEST(MctpService, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    RecorderConfig config;
    config.max_connections = 1;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client idle(sim.MctpPort());
    ASSERT_TRUE(
        WaitUntil([&] { return sim.Observed().AcceptedConnections(ServicePort::kMctp) == 1; }));
    Client refused(sim.MctpPort());
    EXPECT_TRUE(refused.WaitClosed(2000));
    EXPECT_EQ(sim.Observed().RejectedConnections(ServicePort::kMctp), 1u);
    EXPECT_EQ(sim.Observed().RejectedConnections(ServicePort::kCommand), 0u);
}

// ---- recorder variety and aimed faults

// The segments of an HDP body, read from its text.
std::vector<Bytes> Segments(const std::string& body) {
    std::vector<Bytes> segments;
    for (size_t at = 0; (at = body.find("Data-Length:", at)) != std::string::npos;) {
        const size_t length = std::stoul(body.substr(at + 12));
        at = body.find("\r\n\r\n", at) + 4;
        segments.emplace_back(body.begin() + static_cast<std::ptrdiff_t>(at),
                              body.begin() + static_cast<std::ptrdiff_t>(at + length));
        at += length;
    }
    return segments;
}

std::vector<Bytes> GetSegments(uint16_t port, const std::string& function,
                               const std::vector<std::string>& request = {}) {
    return Segments(Exchange(port, Call(function, request)).body);
}

TEST(MctpService, DeviceTypeAndTvStandardShowAndRecordStreamFitsTheFrameBudget) {
    const struct {
        uint8_t family, model;
        std::optional<uint32_t> device_type;
        bool ntsc;
        std::string reported;
        uint32_t budget;
    } cases[] = {
        {0x96, 0x12, {}, false, "38418", 200}, {0x96, 0x13, {}, true, "38419", 240},
        {0x96, 0x14, {}, false, "38420", 400}, {0x96, 0x13, 38421, true, "38421", 480},
        {0x15, 0x13, {}, false, "5395", 100},  {0x15, 0x13, {}, true, "5395", 120},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reported);
        RecorderConfig config;
        config.family = c.family;
        config.model = c.model;
        config.device_type = c.device_type;
        config.tv_standard =
            c.ntsc ? kestrel::sim::TvStandard::kNtsc : kestrel::sim::TvStandard::kPal;
        RecorderSim sim(config);
        StartOrFail(sim);
        const auto info = GetSegments(sim.MctpPort(), "QW_SRDK_DEV_GetDeviceInfo");
        ASSERT_EQ(info.size(), 1u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(info[0].data() + 128)), c.reported);
        const auto system = GetSegments(sim.MctpPort(), "QW_SRDK_SYS_GetSystemAttr");
        ASSERT_EQ(system.size(), 1u);
        EXPECT_EQ(LE32(system[0], 4), c.ntsc ? 1u : 0u);

        const auto video =
            GetSegments(sim.MctpPort(), "QW_SRDK_MEDIA_GetVideoAttr", {WordText(0), WordText(16)});
        ASSERT_EQ(video.size(), 2u);
        ASSERT_EQ(video[0].size(), LE32(video[1], 0) * 72);
        uint32_t load = 0;
        for (size_t at = 0; at < video[0].size(); at += 72) {
            const uint32_t rate = LE32(video[0], at + 12);
            const uint32_t resolution = LE32(video[0], at + 24);  // CIF 1, HD1 2, D1 3
            ASSERT_TRUE(resolution >= 1 && resolution <= 3) << resolution;
            EXPECT_TRUE(rate >= 1 && rate <= (c.ntsc ? 30u : 25u)) << rate;
            const uint32_t lines = c.ntsc ? 480 : 576;
            EXPECT_EQ(LE32(video[0], at + 28), resolution == 3 ? lines : lines / 2);
            load += rate * (resolution == 3 ? 4 : resolution);
        }
        EXPECT_LE(load, c.budget);
        EXPECT_GT(load, c.budget / 2);  // nor a needlessly idle encoder
    }
}

TEST(MctpService, DisksReportTheirStateAndSizes) {
    using kestrel::sim::DiskState;
    constexpr uint64_t kGiB = uint64_t{1} << 30;
    RecorderConfig config;
    config.disks = {{DiskState::kNoDisk, 9 * kGiB, 0},
                    {DiskState::kBad, 100 * kGiB, 0},
                    {DiskState::kUnformatted, 200 * kGiB, 0},
                    {DiskState::kNormal, 300 * kGiB, 50 * kGiB}};
    RecorderSim sim(config);
    StartOrFail(sim);
    const auto disks = GetSegments(sim.MctpPort(), "QW_SRDK_DEV_GetHddInfo");
    ASSERT_EQ(disks.size(), 1u);
    ASSERT_EQ(disks[0].size(), 712u);
    const uint32_t states[8] = {0, 3, 1, 2, 0, 0, 0, 0};
    const uint64_t totals[8] = {0, 100 * kGiB, 200 * kGiB, 300 * kGiB};  // an empty slot: 0
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(LE32(disks[0], 520 + 4 * i), states[i]) << i;
        EXPECT_EQ(LE64(disks[0], 552 + 8 * i), totals[i]) << i;
        EXPECT_EQ(LE64(disks[0], 616 + 8 * i), i == 3 ? 50 * kGiB : 0) << i;
    }
    // More free than held, or a ninth slot, is refused at the start.
    RecorderConfig overfull;
    overfull.disks = {{DiskState::kNormal, kGiB, 2 * kGiB}};
    RecorderConfig nine;
    nine.disks.resize(9);
    for (const RecorderConfig* bad : {&overfull, &nine}) {
        RecorderSim refused(*bad);
        EXPECT_FALSE(refused.Start());
    }
}

TEST(MctpService, AimedFaultsHitTheirCallsOnlyAndARefusedSetStoresNothing) {
    RecorderConfig config;
    config.channel_count = 4;
    config.faults.mctp.failing_calls = {
        {"QW_SRDK_SYS_SetSystemAttr", kestrel::sim::kMctpRefusedByFault},
        {"QW_SRDK_DEV_GetDevCaps", 7}};
    config.faults.mctp.array_records = 20;
    config.faults.mctp.misanswer_only = "QW_SRDK_MEDIA_GetVideoAttr";
    RecorderSim sim(config);
    StartOrFail(sim);
    const auto before = sim.StoredRecords();
    const size_t system_size = sim.StoredRecord("QW_SRDK_SYS_GetSystemAttr").value().size();
    const Answer refused = Exchange(
        sim.MctpPort(), Call("QW_SRDK_SYS_SetSystemAttr", {std::string(system_size, 'S')}));
    EXPECT_TRUE(HasLine(refused, "Return-Code:0x8F000006")) << refused.header;
    EXPECT_EQ(refused.body, Hdp({}));
    const Answer caps = Exchange(sim.MctpPort(), Call("QW_SRDK_DEV_GetDevCaps", {}));
    EXPECT_TRUE(HasLine(caps, "Return-Code:7")) << caps.header;
    EXPECT_EQ(caps.body, Hdp({}));
    EXPECT_EQ(sim.StoredRecords(), before);

    // Another set stores, and only its record.
    const std::string daylight(sim.StoredRecord("QW_SRDK_SYS_GetDaylightAttr")->size(), 'D');
    const Answer taken = Exchange(sim.MctpPort(), Call("QW_SRDK_SYS_SetDaylightAttr", {daylight}));
    EXPECT_TRUE(HasLine(taken, "Return-Code:0")) << taken.header;
    auto expected = before;
    expected["QW_SRDK_SYS_GetDaylightAttr"] = Bytes(daylight.begin(), daylight.end());
    EXPECT_EQ(sim.StoredRecords(), expected);
    const auto seen = sim.Observed().MctpRequests();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].function, "QW_SRDK_SYS_SetSystemAttr");  // refused calls are seen too
    EXPECT_EQ(seen[2].function, "QW_SRDK_SYS_SetDaylightAttr");

    const std::vector<std::string> capacity = {WordText(0), WordText(16)};
    const auto video = GetSegments(sim.MctpPort(), "QW_SRDK_MEDIA_GetVideoAttr", capacity);
    ASSERT_EQ(video.size(), 2u);
    EXPECT_EQ(LE32(video[1], 0), 20u);
    const auto audio = GetSegments(sim.MctpPort(), "QW_SRDK_MEDIA_GetAudioAttr", capacity);
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(LE32(audio[1], 0), 4u);
}

// ---- whole configuration, commands 14 and 15

Bytes ReadStandardResponse(Client& client) {
    Bytes head = client.Read(8);
    if (head.size() < 8) {
        return head;
    }
    const Bytes rest = client.Read(LE32(head, 0) - 8);
    head.insert(head.end(), rest.begin(), rest.end());
    return head;
}

Bytes WriteRequest(uint32_t size) {
    Bytes block = RequestBlock(15, 44);
    PutLE32(block, 40, size);
    return block;
}

TEST(WholeConfiguration, ReadAnnouncesTheSizeThenSendsTheData) {
    RecorderSim sim;
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(RequestBlock(14, 20)));
    const Bytes response = ReadStandardResponse(client);
    ASSERT_EQ(response.size(), 12u);
    EXPECT_EQ(LE32(response, 4), 0u);
    const uint32_t size = LE32(response, 8);
    const Bytes data = client.Read(size);
    ASSERT_EQ(data.size(), size);
    EXPECT_EQ(data, sim.WholeConfiguration());
    EXPECT_GT(size, 0u);
    for (size_t i = 0; i < data.size(); ++i) {
        ASSERT_EQ(data[i], static_cast<uint8_t>(7 * i + 3)) << i;
    }
}

TEST(WholeConfiguration, WriteTakesExactlyTheAnnouncedBytesAndRefusesHugeOnes) {
    RecorderSim sim;
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(WriteRequest(5)));
    EXPECT_EQ(ReadStandardResponse(client), Bytes({8, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(client.Send(Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadStandardResponse(client), Bytes({8, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sim.WholeConfiguration(), Bytes({1, 2, 3, 4, 5}));

    ASSERT_TRUE(client.Send(WriteRequest(0x7FFFFFFF)));
    const Bytes refused = ReadStandardResponse(client);
    ASSERT_EQ(refused.size(), 8u);
    EXPECT_EQ(LE32(refused, 4), static_cast<uint32_t>(kestrel::sim::kResultBadRequest));

    // A write cut short keeps the earlier configuration.
    Client cut(sim.CommandPort());
    ASSERT_TRUE(cut.Send(WriteRequest(100)));
    EXPECT_EQ(ReadStandardResponse(cut).size(), 8u);
    ASSERT_TRUE(cut.Send(Bytes(10, 9)));
    cut.Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(sim.WholeConfiguration(), Bytes({1, 2, 3, 4, 5}));
}

}  // namespace
