// Discovery by broadcast and the identifier lookup, through the exports,
// against the simulator's responders. Broadcasts go to 127.255.255.255 only;
// every test sets the overrides itself before the first use.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_net.h"
#include "platform/socket.h"
#include "sim/discovery_responder.h"
#include "sim/uid_server.h"

namespace {

namespace sim = kestrel::sim;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kLoopbackBroadcast[] = "127.255.255.255";
// The search ends after 1 s without answers; this is the generous bound.
constexpr auto kSearchEndWait = std::chrono::seconds(5);

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

struct Found {
    int32_t found;
    std::array<uint8_t, 4> info;
    std::array<uint8_t, 6> mac;
    bool operator<(const Found& other) const { return info < other.info; }
    bool operator==(const Found&) const = default;
};

// Everything the search callback was given, in order.
class Collector {
public:
    static void QW_CALLBACK OnResult(SearchDevInfo* info, int32_t length, void* user) {
        auto* self = static_cast<Collector*>(user);
        Found entry{info->found, {}, {}};
        std::memcpy(entry.info.data(), info->info, entry.info.size());
        std::memcpy(entry.mac.data(), info->mac, entry.mac.size());
        bool restart = false;
        {
            std::lock_guard lock(self->mutex_);
            self->results_.push_back(entry);
            self->lengths_.push_back(length);
            if (info->found == 0 && self->restarts_left_ > 0) {
                --self->restarts_left_;
                restart = true;
            }
        }
        if (restart) {
            self->restart_result_ = QW_DVR_NET_SearchDVR();
        }
        self->changed_.notify_all();
    }

    // Let the end-of-search callback start the next search this many times.
    void RestartOnEnd(int times) {
        std::lock_guard lock(mutex_);
        restarts_left_ = times;
    }

    bool WaitForEnds(size_t ends) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kSearchEndWait, [&] { return EndsLocked() >= ends; });
    }
    size_t Ends() {
        std::lock_guard lock(mutex_);
        return EndsLocked();
    }
    std::vector<Found> Results() {
        std::lock_guard lock(mutex_);
        return results_;
    }
    std::vector<int32_t> Lengths() {
        std::lock_guard lock(mutex_);
        return lengths_;
    }
    int32_t RestartResult() const { return restart_result_; }

private:
    size_t EndsLocked() const {
        return static_cast<size_t>(std::count_if(results_.begin(), results_.end(),
                                                 [](const Found& f) { return f.found == 0; }));
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Found> results_;
    std::vector<int32_t> lengths_;
    int restarts_left_ = 0;
    int32_t restart_result_ = -1;  // callback thread only, read after the search ended
};

sim::DiscoveryResponderConfig Responder(std::array<uint8_t, 4> info, std::array<uint8_t, 6> mac) {
    sim::DiscoveryResponderConfig config;
    config.info = info;
    config.mac = mac;
    return config;
}

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KESTREL_BROADCAST_ADDR", kLoopbackBroadcast, 1);
        unsetenv("KESTREL_DISCOVERY_PORT");
    }
    void TearDown() override { QW_DVR_NET_DestroySearchDevRes(0, 0); }

    // All on one ephemeral port, which becomes the discovery port.
    void StartResponders(std::vector<sim::DiscoveryResponderConfig> configs) {
        for (sim::DiscoveryResponderConfig& config : configs) {
            config.port = responders_.empty() ? 0 : responders_.front()->Port();
            auto responder = std::make_unique<sim::DiscoveryResponder>(config);
            ASSERT_TRUE(responder->Start()) << responder->LastError();
            responders_.push_back(std::move(responder));
        }
        setenv("KESTREL_DISCOVERY_PORT", std::to_string(responders_.front()->Port()).c_str(), 1);
    }

    bool WaitForRequests(const sim::DiscoveryResponder& responder, uint64_t count) {
        const auto deadline = Clock::now() + kSearchEndWait;
        while (responder.Requests() < count && Clock::now() < deadline) {
            std::this_thread::sleep_for(milliseconds(5));
        }
        return responder.Requests() >= count;
    }

    Collector collector_;
    std::vector<std::unique_ptr<sim::DiscoveryResponder>> responders_;
};

TEST_F(DiscoveryTest, ReportsEachAnswerThenTheEndOnce) {
    const Found first{1, {192, 168, 1, 20}, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}};
    const Found second{1, {10, 0, 0, 7}, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54}};
    StartResponders({Responder(first.info, first.mac), Responder(second.info, second.mac)});

    ASSERT_EQ(QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_), 0);
    ASSERT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(collector_.WaitForEnds(1));
    QW_DVR_NET_DestroySearchDevRes(0, 0);  // joins: nothing can follow

    std::vector<Found> results = collector_.Results();
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results.back(), (Found{0, {}, {}}));
    results.pop_back();
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (std::vector<Found>{second, first}));
    EXPECT_EQ(collector_.Lengths(), (std::vector<int32_t>{14, 14, 14}));
    for (const auto& responder : responders_) {
        EXPECT_EQ(responder->Requests(), 1u);
        EXPECT_EQ(responder->Ignored(), 0u);
    }
}

TEST_F(DiscoveryTest, AnswersOfOtherLengthsAreIgnored) {
    sim::DiscoveryResponderConfig short_answer = Responder({1, 2, 3, 4}, {1, 2, 3, 4, 5, 6});
    short_answer.answer_length = 47;
    sim::DiscoveryResponderConfig long_answer = short_answer;
    long_answer.answer_length = 49;
    StartResponders({short_answer, long_answer});

    QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_);
    ASSERT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(collector_.WaitForEnds(1));
    QW_DVR_NET_DestroySearchDevRes(0, 0);

    EXPECT_EQ(collector_.Results(), (std::vector<Found>{{0, {}, {}}}));
    EXPECT_EQ(responders_[0]->Answers(), 1u);
    EXPECT_EQ(responders_[1]->Answers(), 1u);
}

TEST_F(DiscoveryTest, RunningSearchIsNotStartedTwice) {
    StartResponders({Responder({1, 1, 1, 1}, {}), Responder({2, 2, 2, 2}, {})});
    QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_);

    EXPECT_EQ(QW_DVR_NET_SearchDVR(), 0);
    const auto start = Clock::now();
    EXPECT_EQ(QW_DVR_NET_SearchDVR(), 0);
    EXPECT_LT(MsSince(start), 900);  // did not wait for the first search (1 s of silence)
    ASSERT_TRUE(collector_.WaitForEnds(1));
    EXPECT_EQ(collector_.Results().size(), 3u);
    for (const auto& responder : responders_) {
        EXPECT_EQ(responder->Requests(), 1u);
    }
    // Once ended, the next call starts a new search.
    EXPECT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(collector_.WaitForEnds(2));
    QW_DVR_NET_DestroySearchDevRes(0, 0);

    EXPECT_EQ(collector_.Results().size(), 6u);  // two answers and an end, twice
    for (const auto& responder : responders_) {
        EXPECT_EQ(responder->Requests(), 2u);
    }
}

TEST_F(DiscoveryTest, EndOfSearchCallbackMayStartTheNext) {
    StartResponders({Responder({7, 7, 7, 7}, {})});
    collector_.RestartOnEnd(1);
    QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_);

    ASSERT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(collector_.WaitForEnds(2));
    QW_DVR_NET_DestroySearchDevRes(0, 0);

    EXPECT_EQ(collector_.RestartResult(), 0);
    EXPECT_EQ(responders_[0]->Requests(), 2u);
    EXPECT_EQ(collector_.Results().size(), 4u);
}

TEST_F(DiscoveryTest, DestroyEndsASearchAtOnceAndAllowsANewOne) {
    QW_DVR_NET_DestroySearchDevRes(0, 0);  // nothing to destroy yet
    QW_DVR_NET_DestroySearchDevRes(0, 0);
    sim::DiscoveryResponderConfig silent = Responder({}, {});
    silent.silent = true;
    StartResponders({silent});

    QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_);
    ASSERT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(WaitForRequests(*responders_[0], 1));  // the receiver now waits for answers
    const auto start = Clock::now();
    QW_DVR_NET_DestroySearchDevRes(0, 0);
    EXPECT_LT(MsSince(start), 900);  // before the 1 s of silence ends it
    EXPECT_EQ(collector_.Ends(), 1u);

    Collector after;
    ASSERT_EQ(QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &after), 0);
    ASSERT_EQ(QW_DVR_NET_SearchDVR(), 0);
    ASSERT_TRUE(after.WaitForEnds(1));
    QW_DVR_NET_DestroySearchDevRes(0, 0);
    EXPECT_EQ(responders_[0]->Requests(), 2u);
    EXPECT_EQ(collector_.Ends(), 1u);
}

TEST_F(DiscoveryTest, UnusableOverridesStartNoSearch) {
    StartResponders({Responder({}, {})});
    QW_DVR_NET_SetSearchDevCallback(&Collector::OnResult, &collector_);
    const std::string port = std::to_string(responders_[0]->Port());

    for (const char* bad_port : {"0", "65536", "55x", ""}) {
        setenv("KESTREL_DISCOVERY_PORT", bad_port, 1);
        EXPECT_EQ(QW_DVR_NET_SearchDVR(), 255) << bad_port;
    }
    setenv("KESTREL_DISCOVERY_PORT", port.c_str(), 1);
    setenv("KESTREL_BROADCAST_ADDR", "broadcast", 1);
    EXPECT_EQ(QW_DVR_NET_SearchDVR(), 255);
    QW_DVR_NET_DestroySearchDevRes(0, 0);

    EXPECT_TRUE(collector_.Results().empty());
    EXPECT_EQ(responders_[0]->Requests(), 0u);
}

// ---- identifier lookup

constexpr char kIdentifier[] = "DVR001A2B3C4D5E";
const sim::UidEntry kEntry{kIdentifier, {127, 0, 0, 42}, 9101, 9102};

class UidLookupTest : public ::testing::Test {
protected:
    void TearDown() override { unsetenv("KESTREL_UID_SERVER"); }

    std::unique_ptr<sim::UidServer> StartServer(sim::UidServerConfig config) {
        config.entries.push_back(kEntry);
        auto server = std::make_unique<sim::UidServer>(std::move(config));
        EXPECT_TRUE(server->Start()) << server->LastError();
        return server;
    }
    static void UseServer(const std::string& setting) {
        setenv("KESTREL_UID_SERVER", setting.c_str(), 1);
    }
    static bool AllZero(const DvrAddressRecord& record) {
        return std::all_of(std::begin(record.bytes), std::end(record.bytes),
                           [](unsigned char b) { return b == 0; });
    }
};

TEST_F(UidLookupTest, KnownIdentifierGivesTheServersRecord) {
    auto server = StartServer({});
    const std::string port = std::to_string(server->Port());
    DvrAddressRecord record;
    std::memset(&record, 0xEE, sizeof record);

    for (const std::string& setting : {"127.0.0.1:" + port, "localhost:" + port}) {
        UseServer(setting);
        ASSERT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, &record), 1) << setting;
        const std::array<uint8_t, 4> address = {record.bytes[44], record.bytes[45],
                                                record.bytes[46], record.bytes[47]};
        EXPECT_EQ(address, (std::array<uint8_t, 4>{127, 0, 0, 42}));
        EXPECT_EQ(record.bytes[48] | record.bytes[49] << 8, 9101);
        EXPECT_EQ(record.bytes[50] | record.bytes[51] << 8, 9102);
        const auto sent = sim::UidServer::BuildRecord(kEntry);
        EXPECT_EQ(std::memcmp(record.bytes, sent.data(), sent.size()), 0);  // stored unchanged
    }

    // Unknown: the server closes unanswered; what came before is cleared.
    const auto start = Clock::now();
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort("DVR999999999999", &record), 0);
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_TRUE(AllZero(record));

    // Only 67 characters of an identifier fit the request.
    const std::string long_identifier(80, 'x');
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(long_identifier.c_str(), &record), 0);

    EXPECT_EQ(server->Requests(), 4u);
    EXPECT_EQ(server->Identifiers(),
              (std::vector<std::string>{kIdentifier, kIdentifier, "DVR999999999999",
                                        std::string(67, 'x')}));
}

TEST_F(UidLookupTest, ServerWithoutPortMeansPort8888) {
    sim::UidServerConfig config;
    config.port = 8888;
    config.entries.push_back(kEntry);
    sim::UidServer server(config);
    if (!server.Start()) {
        GTEST_SKIP() << "port 8888 is taken here: " << server.LastError();
    }
    UseServer("127.0.0.1");
    DvrAddressRecord record;
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, &record), 1);
    EXPECT_EQ(server.Requests(), 1u);
}

TEST_F(UidLookupTest, PartialAnswerThenSilenceGivesZero) {
    sim::UidServerConfig config;
    config.short_answer_bytes = 1;
    auto server = StartServer(config);
    UseServer("127.0.0.1:" + std::to_string(server->Port()));
    DvrAddressRecord record;

    const auto start = Clock::now();
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, &record), 0);
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 4500);  // the second receive waited its 5 s
    EXPECT_LT(elapsed, 12000);
    EXPECT_TRUE(AllZero(record));  // not the one byte that came
}

TEST_F(UidLookupTest, NoUsableServerFailsAtOnce) {
    DvrAddressRecord record;
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(nullptr, &record), 0);
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, nullptr), 0);

    // A bound socket that does not listen refuses connects.
    platform::Socket closed_port = platform::Socket::Tcp();
    ASSERT_TRUE(closed_port.Bind("127.0.0.1", 0));
    const std::string refused = "127.0.0.1:" + std::to_string(closed_port.LocalPort());

    const auto start = Clock::now();
    unsetenv("KESTREL_UID_SERVER");
    EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, &record), 0);
    for (const std::string& setting :
         {std::string(), std::string("127.0.0.1:0"), std::string("127.0.0.1:80x"),
          std::string(":9000"), std::string("127.0.0.1:"), refused}) {
        UseServer(setting);
        std::memset(&record, 0xEE, sizeof record);
        EXPECT_EQ(QW_DVR_NET_GetDvrIpPort(kIdentifier, &record), 0) << setting;
        EXPECT_TRUE(AllZero(record)) << setting;
    }
    EXPECT_LT(MsSince(start), 2000);
}

}  // namespace
