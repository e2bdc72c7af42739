// What the LOGIN button of the login page does, without the page: read the
// form, resolve a device ID in AUTO_IP mode, store the login data in the
// context and open the recorder.
//
// Threading: the GUI thread makes every call. The identifier lookup and the
// open call run on a worker thread that the sequence owns, one at a time;
// the worker ends by posting UM_LOGIN_STEP to the login page, whose handler
// calls Continue, which joins it and goes on with the sequence. The
// destructor waits for a worker that still runs (bounded by the protocol
// library's time-outs) and closes a recorder that was opened for nobody.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "client_context.h"
#include "recorder_open.h"

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
    // A step runs off the GUI thread: UM_LOGIN_STEP follows.
    bool pending = false;
    bool loggedIn = false;
    // Text id for the status line: kTextLoggingIn while the open call runs
    // and on success, otherwise kTextSelectNetwork or kTextLoginFailed; 0
    // leaves the line as it is (while a device ID is looked up).
    int statusText = 0;
};

class LoginSequence {
public:
    explicit LoginSequence(ClientContext& context);
    ~LoginSequence();
    LoginSequence(const LoginSequence&) = delete;
    LoginSequence& operator=(const LoginSequence&) = delete;

    // LOGIN pressed. Ignored (pending, no text) while a login runs.
    LoginOutcome Start(const LoginForm& form);
    // UM_LOGIN_STEP arrived: the sequence goes on. On success it sets
    // context.streamChoice and posts UM_LOGIN (kLoginDone, 1) to the main
    // window. A message that finds no finished step is ignored (pending).
    LoginOutcome Continue();
    bool Running() const { return step_ != Step::kIdle; }

private:
    enum class Step { kIdle, kResolving, kOpening };

    // The sequence from the network check on, with the address texts.
    LoginOutcome AfterResolve(const ResolvedAddress& where);
    LoginOutcome AfterOpen();
    // Runs work on the worker, which then posts UM_LOGIN_STEP.
    bool RunOffGuiThread(std::function<void()> work);

    ClientContext& context_;
    LoginForm form_;           // GUI thread
    Step step_ = Step::kIdle;  // GUI thread
    std::thread worker_;       // started and joined on the GUI thread
    std::mutex resultLock_;
    bool finished_ = false;     // guarded by resultLock_: the worker's work is done
    ResolvedAddress resolved_;  // guarded by resultLock_
    OpenedRecorder opened_;     // guarded by resultLock_; closed by the destructor if never taken
};

}  // namespace kestrel::client
