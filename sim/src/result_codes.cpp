#include "sim/result_codes.h"

namespace kestrel::sim {

const char* ResultCodeText(int32_t result) {
    switch (result) {
        case kResultOk:
            return "ok";
        case kResultUnknownCommand:
            return "unknown command";
        case kResultBadRequest:
            return "bad request";
        case kResultBadCredentials:
            return "unknown user or wrong password";
        case kResultLoginsDisabled:
            return "logins refused";
        case kResultNoSuchChannel:
            return "no such channel";
        case kResultNoSuchStream:
            return "no such stream number";
        case kResultUnknownStreamId:
            return "unknown stream identifier";
        default:
            return "unknown result";
    }
}

}  // namespace kestrel::sim
