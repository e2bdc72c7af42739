// Injected faults, each observed from the client's side of the socket.
#include <gtest/gtest.h>

#include "sim/model_identity.h"
#include "sim/result_codes.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using namespace sim_test;

TEST(Faults, RefuseConnectionsLeavesNothingListening) {
    RecorderConfig config;
    config.faults.refuse_connections = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    EXPECT_EQ(client.ConnectResult(), platform::ConnectResult::kRefused);
    EXPECT_EQ(sim.Observed().AcceptedConnections(), 0u);
}

TEST(Faults, SilentRecorderReadsButNeverAnswersNorCloses) {
    RecorderConfig config;
    config.faults.silent = true;
    config.request_timeout_ms = 200;  // a silent recorder does not time out
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(IdentifyRequest()));
    ASSERT_TRUE(client.Send(LoginRequest("admin", "admin")));
    EXPECT_TRUE(client.Read(1, 700).empty());
    EXPECT_FALSE(client.PeerClosed());
    ASSERT_TRUE(WaitUntil([&] { return sim.Observed().RequestCount() == 2; }));
    const auto requests = sim.Observed().Requests();
    EXPECT_EQ(requests[0].command, 10);
    EXPECT_EQ(requests[1].command, 25);
}

TEST(Faults, CloseAfterBytesCutsResponsesAndStreamsExactly) {
    for (const uint64_t limit : {uint64_t{0}, uint64_t{100}, uint64_t{16 + 512 + 1000}}) {
        SCOPED_TRACE(limit);
        RecorderConfig config;
        config.unpaced_live = true;
        config.faults.close_after_bytes = limit;
        RecorderSim sim(config);
        StartOrFail(sim);
        Client identify(sim.CommandPort());
        ASSERT_TRUE(identify.Send(IdentifyRequest()));
        EXPECT_EQ(identify.Read(500, 2000).size(), std::min<uint64_t>(limit, 500));
        if (limit <= 500) {
            EXPECT_TRUE(identify.WaitClosed(2000));
        }

        Client stream(sim.CommandPort());
        ASSERT_TRUE(stream.Send(LiveStartRequest(1, 0)));
        EXPECT_EQ(stream.Read(1 << 20, 2000).size(), limit);
        EXPECT_TRUE(stream.WaitClosed(2000));
    }
}

TEST(Faults, StalledStreamStopsAtTheByteCountButStaysConnected) {
    RecorderConfig config;
    config.unpaced_live = true;
    config.faults.stall_live_after_bytes = 512 + 3000;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(LiveStartRequest(1, 0)));
    const Bytes answer = client.Read(16);
    ASSERT_EQ(answer.size(), 16u);
    EXPECT_EQ(client.Read(1 << 20, 800).size(), 512u + 3000u);
    EXPECT_FALSE(client.PeerClosed());
    EXPECT_EQ(sim.Observed().StreamBytesSent({LE32(answer, 8), LE32(answer, 12)}), 3512u);
    EXPECT_EQ(sim.Observed().RunningStreams(), 1u);
    client.Close();
    EXPECT_TRUE(WaitUntil([&] { return sim.Observed().RunningStreams() == 0; }));
}

TEST(Faults, OversizedResponsesClaimSixHundredBytes) {
    RecorderConfig config;
    config.faults.oversized_responses = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(LoginRequest("admin", "admin")));
    const Bytes login = client.Read(600);
    ASSERT_EQ(login.size(), 600u);
    EXPECT_EQ(LE32(login, 0), 600u);
    EXPECT_EQ(LE32(login, 4), 11u);
    EXPECT_EQ(LE32(login, 8), 511u);
    EXPECT_EQ(LE32(login, 12), 31u);
    ASSERT_TRUE(client.Send(RequestBlock(99, 20)));
    const Bytes unknown = client.Read(601, 500);
    ASSERT_EQ(unknown.size(), 600u);
    EXPECT_EQ(LE32(unknown, 0), 600u);
    EXPECT_EQ(LE32(unknown, 4), static_cast<uint32_t>(kestrel::sim::kResultUnknownCommand));
}

TEST(Faults, RefuseLoginsRefusesLoginAndLiveStart) {
    RecorderConfig config;
    config.faults.refuse_logins = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(LoginRequest("admin", "admin")));
    const Bytes login = client.Read(16);
    ASSERT_EQ(login.size(), 16u);
    EXPECT_EQ(LE32(login, 4), static_cast<uint32_t>(kestrel::sim::kResultLoginsDisabled));
    ASSERT_TRUE(client.Send(LiveStartRequest(1, 0)));
    const Bytes start = client.Read(8);
    ASSERT_EQ(start.size(), 8u);
    EXPECT_EQ(LE32(start, 4), static_cast<uint32_t>(kestrel::sim::kResultLoginsDisabled));
    EXPECT_TRUE(client.Read(1, 200).empty()) << "no stream after a refusal";
}

TEST(Faults, UnknownModelStreamsAHeaderWithoutModel) {
    RecorderConfig config;
    config.family = 0x42;
    config.unpaced_live = true;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client client(sim.CommandPort());
    ASSERT_TRUE(client.Send(LiveStartRequest(1u << 3, 0)));  // 4 channels for unknown models
    const Bytes bytes = client.Read(16 + 512);
    ASSERT_EQ(bytes.size(), 16u + 512u);
    EXPECT_EQ(LE32(bytes, 4), 0u);
    EXPECT_EQ(LE16(bytes, 16 + 76), 0u);
    EXPECT_TRUE(std::all_of(bytes.begin() + 16 + 80, bytes.begin() + 16 + 92,
                            [](uint8_t b) { return b == 0; }));
    Client fifth_channel(sim.CommandPort());
    ASSERT_TRUE(fifth_channel.Send(LiveStartRequest(1u << 4, 0)));
    const Bytes refused = fifth_channel.Read(8);
    ASSERT_EQ(refused.size(), 8u);
    EXPECT_EQ(LE32(refused, 4), static_cast<uint32_t>(kestrel::sim::kResultNoSuchChannel));
}

}  // namespace
