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
};

// Short text for logs and test messages; "unknown result" for other values.
const char* ResultCodeText(int32_t result);

}  // namespace kestrel::sim
