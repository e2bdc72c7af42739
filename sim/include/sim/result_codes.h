// Result words the simulated recorder puts at offset 4 of its standard
// responses. 0 is success; a login answers with the user's level (9, 10 or 11)
// instead. The refusal values stay clear of the login levels and of the
// client library's own 0x8xxxxxxx codes, so a test can tell who refused.
#pragma once

#include <cstdint>

namespace kestrel::sim {

enum ResultCode : int32_t {
    kResultOk = 0,
    kResultUnknownCommand = 1,   // command code without a handler
    kResultBadRequest = 2,       // request length too short or fixed body words wrong
    kResultBadCredentials = 3,   // unknown user or wrong password (not told apart)
    kResultLoginsDisabled = 4,   // the refuse-logins fault is on
    kResultNoSuchChannel = 5,    // channel mask not one bit below the channel count
    kResultNoSuchStream = 6,     // stream number other than 0 (main) or 1 (sub)
    kResultUnknownStreamId = 7,  // stream sound for an identifier of no running stream
    kResultNoSuchFile = 20,      // download of a name the recorder holds no recording for
    kResultBadFileOffset = 21,   // download offset past the end of the file
};

// Short text for logs and test messages (also for the MCTP codes below);
// "unknown result" for other values.
const char* ResultCodeText(int32_t result);

// "Return-Code" values of the MCTP configuration service. The refusals sit in
// a range of their own (0x8F00xxxx), clear of the client library's codes
// (0x8000xxxx .. 0x80FFxxxx, 0xA1xxxxxx, 0xA8xxxxxx).
enum MctpReturnCode : int32_t {
    kMctpOk = 0,
    // The request's segment count or a segment size does not fit the call.
    kMctpBadShape = static_cast<int32_t>(0x8F000001u),
    // Selector, channel, device name or group the store does not hold.
    kMctpNoSuchRecord = static_cast<int32_t>(0x8F000002u),
    // An array set with more records than the store keeps (16).
    kMctpTooManyRecords = static_cast<int32_t>(0x8F000003u),
    // A record the store refuses: a text that fills its field without NUL, an
    // empty user name.
    kMctpBadRecord = static_cast<int32_t>(0x8F000004u),
    // No room for another group.
    kMctpStoreFull = static_cast<int32_t>(0x8F000005u),
    // The default code of a call the failing-calls fault refuses.
    kMctpRefusedByFault = static_cast<int32_t>(0x8F000006u),
};

// Results of the user-management calls, as the client reads them: adding a
// user gives 0 for a full list, 1 for a name that exists, 2 for an empty
// password and kUserAdded otherwise; deleting and modifying give 0 or -1.
enum UserResult : int32_t {
    kUserListFull = 0,
    kUserExists = 1,
    kUserNoPassword = 2,
    kUserAdded = 3,
    kUserChangeDone = 0,
    kUserChangeRefused = -1,
};

}  // namespace kestrel::sim
