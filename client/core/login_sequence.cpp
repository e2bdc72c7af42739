#include "login_sequence.h"

#include <cstdint>
#include <cstdio>

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

LoginOutcome RunLogin(ClientContext& context, const LoginForm& form,
                      const std::function<void(int textId)>& showStatus) {
    std::string address = form.address;
    std::string mediaPort = form.mediaPort;
    std::string setupPort = form.setupOrDevice;
    if (form.mode == kLoginModeAutoIp) {
        const ResolvedAddress resolved = ResolveDeviceId(form.setupOrDevice);
        address = resolved.address;
        mediaPort = resolved.mediaPort;
        setupPort = resolved.setupPort;
    }
    if (form.network == kNetworkNoneSelected) {
        return {false, kTextSelectNetwork};
    }

    // A device left by a rejected attempt (level outside 9..11) is closed
    // rather than dropped: only the login page has seen it, and a dropped
    // one would keep its connection and threads for the rest of the run.
    context.Close();
    context.loginMode = form.mode;
    context.setupPort = PortFieldValue(setupPort);
    context.user = form.user;
    context.password = form.password;
    context.ip = address;
    context.mediaPort = PortFieldValue(mediaPort);
    if (showStatus) {
        showStatus(kTextLoggingIn);
    }

    if (context.GetDevice() == nullptr || !AcceptedLevel(context.rights.level)) {
        return {false, kTextLoginFailed};
    }
    context.streamChoice = form.network;
    context.pages.Post(PageId::kMainWindow, UM_LOGIN, kLoginDone, 1);
    return {true, kTextLoggingIn};
}

}  // namespace kestrel::client
