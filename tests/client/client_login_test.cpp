// The login sequence and GetDevice against a simulated recorder and
// identifier service on loopback.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "../net/loopback_peer.h"
#include "../net/sim_fixture.h"
#include "client_context.h"
#include "client_test_support.h"
#include "device.h"
#include "kestrel_net_config.h"
#include "login_sequence.h"
#include "sim/uid_server.h"
#include "text_ids.h"

namespace kestrel::client_test {
namespace {

using namespace client;

struct Posted {
    uint32_t message;
    intptr_t first;
    intptr_t second;
};

class RecordingWindow : public PageWindow {
public:
    void Post(uint32_t message, intptr_t first, intptr_t second) override {
        std::lock_guard lock(mutex_);
        posted_.push_back({message, first, second});
        arrived_.notify_all();
    }
    std::vector<Posted> PostedMessages() const {
        std::lock_guard lock(mutex_);
        return posted_;
    }
    bool WaitForCount(size_t count) const {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, std::chrono::seconds(30),
                                 [&] { return posted_.size() >= count; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<Posted> posted_;
};

sim::RecorderConfig ConfigWithOperator() {
    sim::RecorderConfig config;
    config.users.push_back({"oper", "s3cr7t", 9, 0, 6});
    return config;
}

class ClientLogin : public ::testing::Test {
protected:
    void SetUp() override {
        context.pages.Register(PageId::kMainWindow, &window);
        context.pages.Register(PageId::kLoginPage, &loginPage);
        context.Init();
        ASSERT_TRUE(recorder->Running());
    }

    LoginForm DvrForm(const std::string& user, const std::string& password) const {
        LoginForm form;
        form.mode = kLoginModeDvr;
        form.address = recorder->Address();
        form.mediaPort = std::to_string(recorder->CommandPort());
        form.setupOrDevice = std::to_string(recorder->MctpPort());
        form.user = user;
        form.password = password;
        form.network = kNetworkSubStream;
        return form;
    }

    // The login page's side: each step that ran off the GUI thread is
    // continued when its message arrives. texts gets what the status line
    // shows meanwhile.
    LoginOutcome RunLogin(const LoginForm& form, std::vector<int>* texts = nullptr) {
        LoginOutcome outcome = sequence.Start(form);
        for (int step = 0; outcome.pending && step < 2; ++step) {
            if (texts != nullptr && outcome.statusText != 0) {
                texts->push_back(outcome.statusText);
            }
            if (!loginPage.WaitForCount(++steps_)) {
                ADD_FAILURE() << "no UM_LOGIN_STEP";
                break;
            }
            outcome = sequence.Continue();
        }
        return outcome;
    }

    // Whether the device's configuration calls reach the recorder's
    // configuration port, i.e. which setup port the open call was given.
    bool ConfigurationReachesRecorder() {
        const size_t before = recorder->Observed().MctpRequests().size();
        QW_SRDK_DEV_SaveFlash(context.device->handle);
        return recorder->Observed().MctpRequests().size() > before;
    }

    TestFolders folders;
    std::unique_ptr<sim::RecorderSim> recorder = test::StartSim(ConfigWithOperator());
    RecordingWindow window;
    RecordingWindow loginPage;
    ClientContext context{folders.HomeFolder()};
    LoginSequence sequence{context};

private:
    size_t steps_ = 0;
};

TEST_F(ClientLogin, DvrModeStoresAddressPortAndUserButNeverThePassword) {
    std::vector<int> shown;
    const LoginOutcome outcome = RunLogin(DvrForm("oper", "s3cr7t"), &shown);

    ASSERT_TRUE(outcome.loggedIn);
    EXPECT_EQ(shown, std::vector<int>{kTextLoggingIn});
    ASSERT_NE(context.device, nullptr);
    EXPECT_EQ(context.loggedIn, 1);
    EXPECT_EQ(context.userLevel, 0);  // level 9
    EXPECT_EQ(context.streamChoice, kNetworkSubStream);
    EXPECT_EQ(context.channelCount, context.device->channelCount);
    EXPECT_GT(context.channelCount, 0);
    EXPECT_TRUE(ConfigurationReachesRecorder());
    const std::vector<Posted> posted = window.PostedMessages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, UM_LOGIN);
    EXPECT_EQ(posted[0].first, kLoginDone);
    EXPECT_EQ(posted[0].second, 1);

    const ProfileKeys keys = ReadKeys(folders.IniPath());
    EXPECT_EQ(keys.at({"LOGIN_ADDRESS", "IP"}), recorder->Address());
    EXPECT_EQ(keys.at({"LOGIN_VIDEOPORT", "VPORT"}), std::to_string(recorder->CommandPort()));
    EXPECT_EQ(keys.at({"UserID", "ID"}), "oper");
    EXPECT_EQ(ReadFile(folders.IniPath()).find("s3cr7t"), std::string::npos);

    ClientContext next(folders.HomeFolder());
    next.Init();
    EXPECT_EQ(next.ip, recorder->Address());
    EXPECT_EQ(next.mediaPort, recorder->CommandPort());
    EXPECT_EQ(next.user, "oper");
    EXPECT_EQ(next.password, "");
}

TEST_F(ClientLogin, TheOpenCallRunsOffTheGuiThread) {
    mctp_test::ScriptedPeer silent(mctp_test::PeerScript{});  // accepts, never answers
    LoginForm form = DvrForm("oper", "s3cr7t");
    form.mediaPort = std::to_string(silent.port());
    const LoginOutcome started = sequence.Start(form);
    EXPECT_TRUE(started.pending) << "the open call waited for the recorder";
    EXPECT_EQ(started.statusText, kTextLoggingIn);
    EXPECT_TRUE(sequence.Start(form).pending) << "a second LOGIN while one runs is ignored";

    silent.Finish();  // the peer leaves without a word: the open fails
    ASSERT_TRUE(loginPage.WaitForCount(1));
    const LoginOutcome outcome = sequence.Continue();
    EXPECT_FALSE(outcome.pending);
    EXPECT_EQ(outcome.statusText, kTextLoginFailed);
    EXPECT_EQ(context.device, nullptr);
    EXPECT_TRUE(window.PostedMessages().empty());
}

TEST_F(ClientLogin, AnAdministratorGetsLevelOneAndAnEmptySetupPortPassesZero) {
    LoginForm form = DvrForm("admin", "admin");
    form.setupOrDevice.clear();
    form.network = kNetworkMainStream;
    ASSERT_TRUE(RunLogin(form).loggedIn);
    EXPECT_EQ(context.userLevel, 1);
    EXPECT_EQ(context.setupPort, 0);
    EXPECT_EQ(context.streamChoice, kNetworkMainStream);
    EXPECT_FALSE(ConfigurationReachesRecorder());
}

TEST_F(ClientLogin, AWrongPasswordFailsAndLeavesTheFileAsItWas) {
    const std::string before = ReadFile(folders.IniPath());
    const LoginOutcome outcome = RunLogin(DvrForm("oper", "wrong"));
    EXPECT_FALSE(outcome.loggedIn);
    EXPECT_EQ(outcome.statusText, kTextLoginFailed);
    EXPECT_EQ(context.loggedIn, 0);
    EXPECT_EQ(context.device, nullptr);
    EXPECT_TRUE(window.PostedMessages().empty());
    EXPECT_EQ(ReadFile(folders.IniPath()), before);
    EXPECT_FALSE(recorder->Observed().Requests().empty()) << "no login was tried";
}

TEST_F(ClientLogin, NoNetworkOrNoAddressFailsWithoutTraffic) {
    LoginForm form = DvrForm("oper", "s3cr7t");
    form.network = kNetworkNoneSelected;
    EXPECT_EQ(RunLogin(form).statusText, kTextSelectNetwork);
    EXPECT_EQ(context.user, "");  // nothing stored

    form = DvrForm("oper", "s3cr7t");
    form.mediaPort = "port";
    EXPECT_EQ(RunLogin(form).statusText, kTextLoginFailed);
    EXPECT_EQ(context.mediaPort, 0);
    form = DvrForm("oper", "s3cr7t");
    form.address.clear();
    EXPECT_EQ(RunLogin(form).statusText, kTextLoginFailed);
    EXPECT_EQ(context.loggedIn, 0);
    EXPECT_TRUE(recorder->Observed().Requests().empty());
}

TEST_F(ClientLogin, AutoIpResolvesAKnownDeviceIdAndNeverOpensForAnUnknownOne) {
    sim::UidServerConfig config;
    config.entries.push_back(
        {"DVR001A2B3C4D5E", {127, 0, 0, 1}, recorder->CommandPort(), recorder->MctpPort()});
    sim::UidServer resolver(config);
    ASSERT_TRUE(resolver.Start()) << resolver.LastError();
    ScopedEnv server("KESTREL_UID_SERVER", "127.0.0.1:" + std::to_string(resolver.Port()));

    LoginForm form;
    form.mode = kLoginModeAutoIp;
    form.setupOrDevice = "DVR00FFFFFFFFFF";
    form.user = "oper";
    form.password = "s3cr7t";
    EXPECT_EQ(RunLogin(form).statusText, kTextLoginFailed);
    EXPECT_EQ(resolver.Requests(), 1u);
    EXPECT_TRUE(recorder->Observed().Requests().empty()) << "opened without an address";

    form.setupOrDevice = "DVR001A2B3C4D5E";
    ASSERT_TRUE(RunLogin(form).loggedIn);
    EXPECT_EQ(context.ip, "127.0.0.1");
    EXPECT_EQ(context.mediaPort, recorder->CommandPort());
    EXPECT_EQ(context.setupPort, recorder->MctpPort());
    EXPECT_EQ(context.loginMode, kLoginModeAutoIp);
    EXPECT_TRUE(ConfigurationReachesRecorder());
}

}  // namespace
}  // namespace kestrel::client_test
