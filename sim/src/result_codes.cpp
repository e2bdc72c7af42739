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
        case kResultNoSuchFile:
            return "no such recording";
        case kResultBadFileOffset:
            return "offset past the end of the recording";
        case kMctpBadShape:
            return "request segments do not fit the call";
        case kMctpNoSuchRecord:
            return "no such record";
        case kMctpTooManyRecords:
            return "too many records";
        case kMctpBadRecord:
            return "record refused";
        case kMctpStoreFull:
            return "no room for another record";
        case kMctpRefusedByFault:
            return "call refused by a fault";
        default:
            return "unknown result";
    }
}

}  // namespace kestrel::sim
