#include "login_sequence.h"

#include <cstdint>
#include <cstdio>
#include <system_error>
#include <utility>

#include "text_ids.h"

namespace kestrel::client {

namespace {

// Where the identifier service's answer carries the recorder's address.
constexpr size_t kResolvedAddressOffset = 44;
constexpr size_t kResolvedMediaPortOffset = 48;
constexpr size_t kResolvedSetupPortOffset = 50;

int ReadLe16(const unsigned char* p) {
    return p[0] | p[1] << 8;
}

bool AcceptedLevel(int32_t level) {
    return level == 9 || level == 10 || level == 11;
}

}  // namespace

ResolvedAddress ResolveDeviceId(const std::string& deviceId) {
    DvrAddressRecord record{};
    if (QW_DVR_NET_GetDvrIpPort(deviceId.c_str(), &record) != 1) {
        return {};
    }
    const unsigned char* a = record.bytes + kResolvedAddressOffset;
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", a[0], a[1], a[2], a[3]);
    return {dotted, std::to_string(ReadLe16(record.bytes + kResolvedMediaPortOffset)),
            std::to_string(ReadLe16(record.bytes + kResolvedSetupPortOffset))};
}

int32_t PortFieldValue(const std::string& text) {
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
        if (value > INT32_MAX) {
            return 0;  // no port; the open call then refuses it
        }
    }
    return static_cast<int32_t>(value);
}

LoginSequence::LoginSequence(ClientContext& context) : context_(context) {}

LoginSequence::~LoginSequence() {
    if (worker_.joinable()) {
        worker_.join();
    }
    if (opened_.handle != nullptr) {
        QW_DVR_NET_Close_Device(opened_.handle);
    }
}

LoginOutcome LoginSequence::Start(const LoginForm& form) {
    if (step_ != Step::kIdle) {
        return {true, false, 0};
    }
    form_ = form;
    if (form.mode != kLoginModeAutoIp) {
        return AfterResolve({form.address, form.mediaPort, form.setupOrDevice});
    }
    step_ = Step::kResolving;
    const bool started = RunOffGuiThread([this, deviceId = form.setupOrDevice] {
        ResolvedAddress where = ResolveDeviceId(deviceId);
        std::lock_guard<std::mutex> lock(resultLock_);
        resolved_ = std::move(where);
    });
    return started ? LoginOutcome{true, false, 0} : LoginOutcome{false, false, kTextLoginFailed};
}

LoginOutcome LoginSequence::Continue() {
    {
        std::lock_guard<std::mutex> lock(resultLock_);
        if (step_ == Step::kIdle || !finished_) {
            return {step_ != Step::kIdle, false, 0};
        }
    }
    worker_.join();  // its last act was the post: it is ending
    const Step step = step_;
    step_ = Step::kIdle;
    if (step == Step::kResolving) {
        ResolvedAddress where;
        {
            std::lock_guard<std::mutex> lock(resultLock_);
            where = resolved_;
        }
        return AfterResolve(where);
    }
    return AfterOpen();
}

LoginOutcome LoginSequence::AfterResolve(const ResolvedAddress& where) {
    if (form_.network == kNetworkNoneSelected) {
        return {false, false, kTextSelectNetwork};
    }
    // A device left by a rejected attempt (level outside 9..11) is closed
    // rather than dropped: only the login page has seen it, and a dropped
    // one would keep its connection and threads for the rest of the run.
    context_.Close();
    context_.loginMode = form_.mode;
    context_.setupPort = PortFieldValue(where.setupPort);
    context_.user = form_.user;
    context_.password = form_.password;
    context_.ip = where.address;
    context_.mediaPort = PortFieldValue(where.mediaPort);
    if (context_.ip.empty() || context_.mediaPort == 0) {
        context_.loggedIn = 0;
        return {false, false, kTextLoginFailed};
    }
    step_ = Step::kOpening;
    const bool started = RunOffGuiThread([this, request = context_.StoredOpenRequest()] {
        OpenedRecorder opened = OpenRecorder(request);
        std::lock_guard<std::mutex> lock(resultLock_);
        opened_ = opened;
    });
    return started ? LoginOutcome{true, false, kTextLoggingIn}
                   : LoginOutcome{false, false, kTextLoginFailed};
}

LoginOutcome LoginSequence::AfterOpen() {
    OpenedRecorder opened;
    {
        std::lock_guard<std::mutex> lock(resultLock_);
        opened = opened_;
        opened_ = {};
    }
    if (context_.AdoptDevice(opened) == nullptr || !AcceptedLevel(context_.rights.level)) {
        return {false, false, kTextLoginFailed};
    }
    context_.streamChoice = form_.network;
    context_.pages.Post(PageId::kMainWindow, UM_LOGIN, kLoginDone, 1);
    return {false, true, kTextLoggingIn};
}

bool LoginSequence::RunOffGuiThread(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(resultLock_);
        finished_ = false;
    }
    try {
        worker_ = std::thread([this, work = std::move(work)] {
            work();
            {
                std::lock_guard<std::mutex> lock(resultLock_);
                finished_ = true;
            }
            context_.pages.Post(PageId::kLoginPage, UM_LOGIN_STEP, 0, 0);
        });
    } catch (const std::system_error&) {
        step_ = Step::kIdle;
        return false;
    }
    return true;
}

}  // namespace kestrel::client
