// Start refusals, limits, restart and a prompt Stop() with busy clients.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace {

using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using namespace sim_test;

TEST(Lifecycle, StartRefusesAddressesOutsideLoopbackAndMissingMedia) {
    for (const char* address : {"192.168.1.10", "0.0.0.0", "", "128.0.0.1", "127.1", "localhost",
                                "127.0.0.256", "-127.0.0.1"}) {
        RecorderConfig config;
        config.bind_address = address;
        RecorderSim sim(config);
        EXPECT_FALSE(sim.Start()) << address;
        EXPECT_NE(sim.LastError().find("127.0.0.0/8"), std::string::npos) << sim.LastError();
        EXPECT_FALSE(sim.Running());
    }
    RecorderConfig config;
    config.media_folder = "/nonexistent/kestrel-media";
    RecorderSim sim(config);
    EXPECT_FALSE(sim.Start());
    EXPECT_NE(sim.LastError().find("clip_d1.h264"), std::string::npos) << sim.LastError();
}

TEST(Lifecycle, TwoRecordersListenOnDistinctLoopbackAddresses) {
    RecorderConfig second_config;
    second_config.bind_address = "127.0.0.2";
    second_config.family = 0x15;
    RecorderSim first;
    RecorderSim second(second_config);
    StartOrFail(first);
    StartOrFail(second);
    Client client(second.CommandPort(), "127.0.0.2");
    ASSERT_TRUE(client.Send(IdentifyRequest()));
    const Bytes answer = client.Read(500);
    ASSERT_EQ(answer.size(), 500u);
    EXPECT_EQ(answer[26], 0x15);
    EXPECT_EQ(first.Observed().AcceptedConnections(), 0u);
}

TEST(Lifecycle, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    RecorderConfig config;
    config.max_connections = 2;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client first(sim.CommandPort());
    Client second(sim.CommandPort());
    ASSERT_TRUE(WaitUntil([&] { return sim.Observed().AcceptedConnections() == 2; }));
    Client third(sim.CommandPort());
    EXPECT_TRUE(third.WaitClosed(2000));
    EXPECT_EQ(sim.Observed().RejectedConnections(), 1u);
    // A finished connection frees its place.
    first.Close();
    ASSERT_TRUE(WaitUntil([&] {
        Client probe(sim.CommandPort());
        probe.Send(IdentifyRequest());
        return probe.Read(500, 500).size() == 500;
    }));
}

TEST(Lifecycle, StopIsPromptWhileClientsHoldConnections) {
    RecorderConfig config;
    config.unpaced_live = true;
    config.faults.stall_live_after_bytes = 100000000;  // large: never reached here
    RecorderSim sim(config);
    StartOrFail(sim);
    Client idle(sim.CommandPort());
    Client half(sim.CommandPort());
    const Bytes request = IdentifyRequest();
    ASSERT_TRUE(half.Send(Bytes(request.begin(), request.begin() + 10)));
    Client flooded(sim.CommandPort());  // reads nothing, so the sender blocks
    ASSERT_TRUE(flooded.Send(LiveStartRequest(1, 0)));
    ASSERT_TRUE(WaitUntil([&] { return sim.Observed().RunningStreams() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    const auto start = std::chrono::steady_clock::now();
    sim.Stop();
    EXPECT_LT(MsSince(start), 1500);
    EXPECT_FALSE(sim.Running());
    EXPECT_EQ(sim.Observed().RunningStreams(), 0u);
    EXPECT_TRUE(idle.WaitClosed(1000));
    EXPECT_TRUE(half.WaitClosed(1000));
    EXPECT_TRUE(flooded.WaitClosed(5000));
}

TEST(Lifecycle, SilentAndStalledConnectionsDoNotDelayStop) {
    for (const bool silent : {true, false}) {
        RecorderConfig config;
        config.unpaced_live = true;
        config.faults.silent = silent;
        config.faults.stall_live_after_bytes = 100;
        RecorderSim sim(config);
        StartOrFail(sim);
        Client client(sim.CommandPort());
        ASSERT_TRUE(client.Send(LiveStartRequest(1, 0)));
        ASSERT_TRUE(WaitUntil([&] { return sim.Observed().RequestCount() == 1; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const auto start = std::chrono::steady_clock::now();
        sim.Stop();
        EXPECT_LT(MsSince(start), 1500) << (silent ? "silent" : "stalled");
        EXPECT_TRUE(client.WaitClosed(1000));
    }
}

TEST(Lifecycle, RestartKeepsObservationsAndIssuesNewStreamIdentifiers) {
    RecorderConfig config;
    config.unpaced_live = true;
    RecorderSim sim(config);
    for (int run = 0; run < 2; ++run) {
        StartOrFail(sim);
        Client client(sim.CommandPort());
        ASSERT_TRUE(client.Send(LiveStartRequest(1, 0)));
        ASSERT_EQ(client.Read(16).size(), 16u);
        sim.Stop();
        EXPECT_EQ(sim.CommandPort(), 0);
    }
    const auto ids = sim.Observed().StreamIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(sim.Observed().AcceptedConnections(), 2u);
    EXPECT_EQ(sim.Observed().RequestCount(), 2u);
}

}  // namespace
