// What the LOGIN button of the login page does, without the page: read the
// form, resolve a device ID in AUTO_IP mode, store the login data in the
// context and open the recorder through ClientContext::GetDevice.
//
// Threading: GUI thread. Blocks for as long as the resolution and the open
// call take (each bounded by the protocol library's time-outs).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "client_context.h"

namespace kestrel::client {

// What the login page lets the operator type.
constexpr int kMaxUserIdCharacters = 8;
constexpr int kMaxPasswordCharacters = 6;

// Indexes of the login page's network list.
constexpr int kNetworkMainStream = 0;
constexpr int kNetworkSubStream = 1;
constexpr int kNetworkNoneSelected = -1;

struct LoginForm {
    int32_t mode = kLoginModeDvr;
    std::string address;        // DVR mode only
    std::string mediaPort;      // DVR mode only
    std::string setupOrDevice;  // setup port (DVR mode) or device ID (AUTO_IP mode)
    std::string user;
    std::string password;
    int network = kNetworkSubStream;  // kNetworkNoneSelected when nothing is selected
};

// Where an AUTO_IP device ID resolved to: the three texts the page uses.
struct ResolvedAddress {
    std::string address;  // dotted; empty when the ID was not found
    std::string mediaPort;
    std::string setupPort;
};

// Asks the identifier service; every text empty when the lookup fails.
ResolvedAddress ResolveDeviceId(const std::string& deviceId);

// Decimal value of a port field: leading digits, 0 when there are none.
int32_t PortFieldValue(const std::string& text);

struct LoginOutcome {
    bool loggedIn = false;
    // Text id for the status line: kTextLoggingIn on success, otherwise
    // kTextSelectNetwork or kTextLoginFailed.
    int statusText = 0;
};

// Runs the login: on success sets context.streamChoice and posts UM_LOGIN
// (kLoginDone, 1) to the main window. showStatus, when given, sees the
// "Login......" text before the open call blocks.
LoginOutcome RunLogin(ClientContext& context, const LoginForm& form,
                      const std::function<void(int textId)>& showStatus = {});

}  // namespace kestrel::client
