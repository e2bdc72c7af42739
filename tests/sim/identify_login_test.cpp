// Identification, login check, unknown commands and the request log, spoken
// over raw loopback sockets.
#include <gtest/gtest.h>

#include "sim/result_codes.h"
#include "sim_test_support.h"

namespace {

using kestrel::sim::RecorderConfig;
using kestrel::sim::RecorderSim;
using kestrel::sim::UserAccount;
using namespace sim_test;

RecorderConfig WithUsers(std::vector<UserAccount> users) {
    RecorderConfig config;
    config.users = std::move(users);
    return config;
}

TEST(Identify, AnswersAWholeBlockWithFamilyAndModelAndKeepsServing) {
    for (const auto& [family, model] : {std::pair<uint8_t, uint8_t>{0x96, 0x13}, {0x42, 0x07}}) {
        RecorderConfig config;
        config.family = family;
        config.model = model;
        RecorderSim sim(config);
        StartOrFail(sim);
        Client client(sim.CommandPort());
        ASSERT_TRUE(client.Connected());
        // Two identifications on one connection: the link is not one-shot.
        for (int round = 0; round < 2; ++round) {
            ASSERT_TRUE(client.Send(IdentifyRequest()));
            const Bytes answer = client.Read(500);
            ASSERT_EQ(answer.size(), 500u);
            EXPECT_EQ(LE32(answer, 20), 1u);
            EXPECT_EQ(answer[26], family);
            EXPECT_EQ(answer[27], model);
        }
        EXPECT_TRUE(client.Read(1, 200).empty()) << "nothing beyond the 500-byte answers";
    }
}

TEST(Login, AnswersTheLevelWithTheUsersRightsWords) {
    RecorderSim sim(WithUsers({{"viewer", "pw9", 9, 0x11, 0x06},
                               {"manager", "pw10", 10, 0x22, 0x07},
                               {std::string(32, 'a'), std::string(32, 'b'), 11, 0x1FF, 0x1F}}));
    StartOrFail(sim);
    const struct {
        std::string user, password;
        int32_t level;
        uint32_t a, b;
    } cases[] = {{"viewer", "pw9", 9, 0x11, 0x06},
                 {"manager", "pw10", 10, 0x22, 0x07},
                 // 32-character fields without a terminating NUL
                 {std::string(32, 'a'), std::string(32, 'b'), 11, 0x1FF, 0x1F}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.user);
        Client client(sim.CommandPort());
        ASSERT_TRUE(client.Send(LoginRequest(c.user, c.password)));
        const Bytes answer = client.Read(16);
        ASSERT_EQ(answer.size(), 16u);
        EXPECT_EQ(LE32(answer, 0), 16u);
        EXPECT_EQ(static_cast<int32_t>(LE32(answer, 4)), c.level);
        EXPECT_EQ(LE32(answer, 8), c.a);
        EXPECT_EQ(LE32(answer, 12), c.b);
        EXPECT_TRUE(client.Read(1, 100).empty());
    }
}

TEST(Login, RefusesUnknownUsersWrongPasswordsAndShortRequests) {
    RecorderSim sim(WithUsers({{"viewer", "secret", 9, 1, 2}}));
    StartOrFail(sim);
    Client client(sim.CommandPort());
    auto result_of = [&](const Bytes& request) {
        EXPECT_TRUE(client.Send(request));
        const Bytes answer = client.Read(16);
        EXPECT_EQ(answer.size(), 16u);
        if (answer.size() != 16) {
            return -1;
        }
        const auto result = static_cast<int32_t>(LE32(answer, 4));
        if (result != 9) {
            EXPECT_EQ(LE32(answer, 8) | LE32(answer, 12), 0u) << "no rights on a refusal";
        }
        return result;
    };
    EXPECT_EQ(result_of(LoginRequest("nobody", "secret")), kestrel::sim::kResultBadCredentials);
    EXPECT_EQ(result_of(LoginRequest("viewer", "Secret")), kestrel::sim::kResultBadCredentials);
    EXPECT_EQ(result_of(LoginRequest("viewer", "secret\x01")), kestrel::sim::kResultBadCredentials);
    EXPECT_EQ(result_of(LoginRequest("", "")), kestrel::sim::kResultBadCredentials);
    Bytes short_request = LoginRequest("viewer", "secret");
    PutBE32(short_request, 16, 52);  // the password field lies beyond the request
    EXPECT_EQ(result_of(short_request), kestrel::sim::kResultBadRequest);
    // After all refusals the connection still serves a good login.
    EXPECT_EQ(result_of(LoginRequest("viewer", "secret")), 9);
}

TEST(Commands, UnknownCommandGetsAStandardRefusalAndIsLogged) {
    RecorderSim sim;
    StartOrFail(sim);
    Client client(sim.CommandPort());
    Bytes request = RequestBlock(0x1234, 20, 4242);  // only the low 8 bits (0x34) count
    request[499] = 0x5A;
    ASSERT_TRUE(client.Send(request));
    const Bytes answer = client.Read(8);
    ASSERT_EQ(answer.size(), 8u);
    EXPECT_EQ(LE32(answer, 0), 8u);
    EXPECT_EQ(LE32(answer, 4), static_cast<uint32_t>(kestrel::sim::kResultUnknownCommand));
    ASSERT_TRUE(client.Send(IdentifyRequest()));
    EXPECT_EQ(client.Read(500).size(), 500u);

    const auto requests = sim.Observed().Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, 0x34);
    EXPECT_TRUE(std::equal(request.begin(), request.end(), requests[0].block.begin()));
    EXPECT_EQ(requests[1].command, 10);
    EXPECT_EQ(sim.Observed().AcceptedConnections(), 1u);
}

TEST(Commands, GarbageMarkerOrLengthClosesTheConnection) {
    RecorderSim sim;
    StartOrFail(sim);
    Bytes bad_marker = IdentifyRequest();
    PutBE32(bad_marker, 0, 2);
    Bytes bad_length = IdentifyRequest();
    PutBE32(bad_length, 16, 501);
    for (const Bytes& request : {bad_marker, bad_length}) {
        Client client(sim.CommandPort());
        ASSERT_TRUE(client.Send(request));
        EXPECT_TRUE(client.Read(1, 2000).empty());
        EXPECT_TRUE(client.PeerClosed());
    }
    EXPECT_EQ(sim.Observed().RequestCount(), 2u) << "garbage blocks are still logged";
}

TEST(Commands, IdleOrHalfSentRequestTimesOut) {
    RecorderConfig config;
    config.request_timeout_ms = 300;
    RecorderSim sim(config);
    StartOrFail(sim);
    Client idle(sim.CommandPort());
    Client half(sim.CommandPort());
    const Bytes request = IdentifyRequest();
    ASSERT_TRUE(half.Send(Bytes(request.begin(), request.begin() + 100)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(idle.WaitClosed(3000));
    EXPECT_TRUE(half.WaitClosed(3000));
    EXPECT_GE(MsSince(start), 250);
    EXPECT_EQ(sim.Observed().RequestCount(), 0u);
}

}  // namespace
