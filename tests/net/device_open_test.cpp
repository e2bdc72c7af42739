// Opening, identifying and logging in to a simulated recorder over loopback.
#include <chrono>
#include <cstring>
#include <string>

#include "sim_fixture.h"

namespace kestrel::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(DeviceOpen, IdentifyAndLoginBlocksAreByteExact) {
    auto recorder = StartSim();
    OpenResult opened = OpenSim(*recorder, "admin", "admin");
    HandleCloser closer{opened.handle};
    ASSERT_NE(opened.handle, nullptr) << std::hex << opened.result;

    auto identify = RequestsOf(*recorder, 10);
    ASSERT_EQ(identify.size(), 1u);
    const uint8_t* b = identify[0].block.data();
    EXPECT_EQ(BE32(b + 0), 1u);
    EXPECT_EQ(BE32(b + 4), 10u);
    EXPECT_EQ(BE32(b + 16), 28u);
    EXPECT_EQ(LE32(b + 20), 1u);
    EXPECT_EQ(LE32(b + 24), 0u);
    for (size_t i = 28; i < 500; ++i) {
        ASSERT_EQ(b[i], 0) << "byte " << i;
    }

    auto login = RequestsOf(*recorder, 25);
    ASSERT_EQ(login.size(), 1u);
    const uint8_t* l = login[0].block.data();
    EXPECT_EQ(BE32(l + 16), 84u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l + 20), 6), std::string("admin\0", 6));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(l + 52), 6), std::string("admin\0", 6));
    // Sequence numbers travel in host order and move on between requests.
    uint32_t seq_identify, seq_login;
    std::memcpy(&seq_identify, b + 8, 4);
    std::memcpy(&seq_login, l + 8, 4);
    EXPECT_EQ(seq_login, seq_identify == 10000 ? 0 : seq_identify + 1);
}

TEST(DeviceOpen, TypeTableMapsFamilyAndModel) {
    const struct {
        uint8_t family, model;
        int32_t type, subtype;
    } rows[] = {
        {0x15, 0x13, 0x01000401, 0x04000008},
        {0x15, 0x15, 0x01000403, 0x0400000A},
        {0x90, 0x00, 0x01000210, 0x06000004},
        {0x96, 0x02, 0x01000207, 0x02079602},
        {0x96, 0x13, 0x01000207, 0x02079613},
        {0x96, 0x1A, 0x01000207, 0x0501961A},
        // Unlisted models of these families keep the caller's subtype.
        {0x90, 0x07, 0x01000210, 0x7777},
        {0x96, 0x55, 0x01000207, 0x7777},
    };
    for (const auto& row : rows) {
        sim::RecorderConfig config;
        config.family = row.family;
        config.model = row.model;
        auto recorder = StartSim(config);
        OpenResult opened = OpenSim(*recorder, "admin", "admin", 0x7777);
        HandleCloser closer{opened.handle};
        SCOPED_TRACE(testing::Message() << std::hex << int{row.family} << "/" << int{row.model});
        ASSERT_NE(opened.handle, nullptr) << std::hex << opened.result;
        EXPECT_EQ(opened.type, row.type);
        EXPECT_EQ(opened.subtype, row.subtype);
        EXPECT_EQ(opened.result, 11);  // every type here logs in
    }
}

TEST(DeviceOpen, UnknownFamiliesAreRefusedAfterOneIdentification) {
    for (auto [family, model] : {std::pair<uint8_t, uint8_t>{0x42, 0x13}, {0x15, 0x16}}) {
        sim::RecorderConfig config;
        config.family = family;
        config.model = model;
        auto recorder = StartSim(config);
        OpenResult opened = OpenSim(*recorder);
        EXPECT_EQ(opened.handle, nullptr);
        EXPECT_EQ(opened.result, QW_NET_ERR_UNSUPPORTED_TYPE);
        auto requests = recorder->Observed().Requests();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].command, 10);
    }
}

TEST(DeviceOpen, LoginLevelsAndRights) {
    sim::RecorderConfig config;
    config.users = {
        {"op", "op", 9, 0x21, 0x3}, {"boss", "pw", 10, 0x1, 0x2}, {"root", "pw", 11, 0x155, 0x7}};
    auto recorder = StartSim(config);
    const struct {
        const char* user;
        int32_t level, rights_a, rights_b;
    } cases[] = {{"op", 9, 0x21, 0x3}, {"boss", 10, 511, 31}, {"root", 11, 0x155, 0x7}};
    for (const auto& c : cases) {
        OpenResult opened = OpenSim(*recorder, c.user, c.user == std::string("op") ? "op" : "pw");
        HandleCloser closer{opened.handle};
        ASSERT_NE(opened.handle, nullptr) << c.user;
        EXPECT_EQ(opened.result, c.level) << c.user;
        EXPECT_EQ(opened.rights.total_length, 16) << c.user;
        EXPECT_EQ(opened.rights.level, c.level) << c.user;
        EXPECT_EQ(opened.rights.rights_a, c.rights_a) << c.user;
        EXPECT_EQ(opened.rights.rights_b, c.rights_b) << c.user;

        UserRights again{};
        EXPECT_EQ(
            QW_DVR_NET_CheckAdminPwd(opened.handle, c.user,
                                     c.user == std::string("op") ? "op" : "pw", nullptr, &again),
            c.level);
        EXPECT_EQ(again.rights_a, c.rights_a);
    }
}

TEST(DeviceOpen, RefusedLoginGivesNoHandle) {
    auto recorder = StartSim();
    OpenResult wrong = OpenSim(*recorder, "admin", "nope");
    EXPECT_EQ(wrong.handle, nullptr);
    EXPECT_EQ(wrong.result, 3);  // the recorder's own refusal, passed through

    sim::RecorderConfig config;
    config.faults.refuse_logins = true;
    auto refusing = StartSim(config);
    OpenResult refused = OpenSim(*refusing);
    EXPECT_EQ(refused.handle, nullptr);
    EXPECT_EQ(refused.result, 4);
}

TEST(DeviceOpen, LongLoginTextsAreRefusedWithoutTraffic) {
    auto recorder = StartSim();
    OpenResult opened = OpenSim(*recorder);
    HandleCloser closer{opened.handle};
    ASSERT_NE(opened.handle, nullptr);
    size_t before = recorder->Observed().RequestCount();
    std::string long_name(33, 'u');
    EXPECT_EQ(QW_DVR_NET_CheckAdminPwd(opened.handle, long_name.c_str(), "admin", nullptr, nullptr),
              QW_NET_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_DVR_NET_CheckAdminPwd(opened.handle, "admin", long_name.c_str(), nullptr, nullptr),
              QW_NET_ERR_BAD_ARGUMENT);
    // A 32-character text fills its field exactly and is sent.
    std::string full(32, 'u');
    EXPECT_EQ(QW_DVR_NET_CheckAdminPwd(opened.handle, full.c_str(), "x", nullptr, nullptr), 3);
    auto logins = RequestsOf(*recorder, 25);
    ASSERT_EQ(recorder->Observed().RequestCount(), before + 1);
    EXPECT_EQ(std::memcmp(logins.back().block.data() + 20, full.data(), 32), 0);
    EXPECT_EQ(logins.back().block[52], 'x');
}

TEST(DeviceOpen, TransportFailuresMapToTheirCodes) {
    sim::RecorderConfig refusing;
    refusing.faults.refuse_connections = true;
    auto refuser = StartSim(refusing);
    auto started = Clock::now();
    OpenResult refused = OpenSim(*refuser);
    EXPECT_EQ(refused.handle, nullptr);
    EXPECT_EQ(refused.result, QW_NET_ERR_IDENTIFY_CONNECT);
    // Reported when the refusal arrives, not after the connect time-out.
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));

    sim::RecorderConfig closing;
    closing.faults.close_after_bytes = 100;  // the identification answer is cut
    auto closer = StartSim(closing);
    OpenResult cut = OpenSim(*closer);
    EXPECT_EQ(cut.handle, nullptr);
    EXPECT_EQ(cut.result, QW_NET_ERR_RESPONSE);

    // The login answer claims 600 bytes: refused without overrunning the block.
    sim::RecorderConfig oversized;
    oversized.faults.oversized_responses = true;
    auto big = StartSim(oversized);
    OpenResult too_long = OpenSim(*big);
    EXPECT_EQ(too_long.handle, nullptr);
    EXPECT_EQ(too_long.result, QW_NET_ERR_RESPONSE);
}

TEST(DeviceOpen, SilentRecorderTimesOutAfterTheReceiveWait) {
    sim::RecorderConfig config;
    config.faults.silent = true;
    auto recorder = StartSim(config);
    auto started = Clock::now();
    OpenResult opened = OpenSim(*recorder);
    auto waited = Clock::now() - started;
    EXPECT_EQ(opened.handle, nullptr);
    EXPECT_EQ(opened.result, QW_NET_ERR_RESPONSE);
    EXPECT_GE(waited, std::chrono::milliseconds(4500));
    EXPECT_LT(waited, std::chrono::seconds(30));
}

TEST(DeviceOpen, OpenRespectsHostTexts) {
    auto recorder = StartSim();
    std::string with_scheme = "kestrel://" + recorder->Address();
    OpenResult r;
    r.handle =
        QW_DVR_NET_Open_Device_Ex(with_scheme.c_str(), recorder->CommandPort(), 9000, "admin",
                                  "admin", &r.type, &r.subtype, &r.result, &r.rights, nullptr);
    HandleCloser closer{r.handle};
    EXPECT_NE(r.handle, nullptr) << std::hex << r.result;
}

}  // namespace
}  // namespace kestrel::test
