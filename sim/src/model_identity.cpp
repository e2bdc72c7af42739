#include "sim/model_identity.h"

#include <array>

namespace kestrel::sim {
namespace {

// Family, model, type and subtype codes follow the client library's recorder
// type table; every pair with a subtype code of its own is here. Model codes
// are "KSR" + family and model in hex + "-" + channel count + "CH".
constexpr std::array<ModelIdentity, 11> kModels{{
    {0x15, 0x13, 0x01000401, 0x04000008, 0x1513, "KSR1513-08CH", 8, "DVR_KSR1500_TYPE",
     "DVR_SUB_KSR1513_8CH"},
    {0x15, 0x14, 0x01000402, 0x04000009, 0x1514, "KSR1514-08CH", 8, "DVR_KSR1500_MOBILE_TYPE",
     "DVR_SUB_KSR1514_8CH"},
    {0x15, 0x15, 0x01000403, 0x0400000A, 0x1515, "KSR1515-16CH", 16, "DVR_KSR1500_SERVER_TYPE",
     "DVR_SUB_KSR1515_16CH"},
    {0x90, 0x00, 0x01000210, 0x06000004, 0x9000, "KSR9000-04CH", 4, "DVR_KSR9000_TYPE",
     "DVR_SUB_KSR9000_4CH"},
    {0x96, 0x02, 0x01000207, 0x02079602, 0x9602, "KSR9602-04CH", 4, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9602_4CH"},
    {0x96, 0x03, 0x01000207, 0x02079603, 0x9603, "KSR9603-08CH", 8, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9603_8CH"},
    {0x96, 0x10, 0x01000207, 0x05019610, 0x9610, "KSR9610-04CH", 4, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9610_4CH"},
    {0x96, 0x12, 0x01000207, 0x02079612, 0x9612, "KSR9612-04CH", 4, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9612_4CH"},
    {0x96, 0x13, 0x01000207, 0x02079613, 0x9613, "KSR9613-08CH", 8, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9613_8CH"},
    {0x96, 0x14, 0x01000207, 0x02079614, 0x9614, "KSR9614-16CH", 16, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR9614_16CH"},
    {0x96, 0x1A, 0x01000207, 0x0501961A, 0x961A, "KSR961A-04CH", 4, "DVR_KSR9600_TYPE",
     "DVR_SUB_KSR961A_4CH"},
}};

static_assert([] {
    for (const ModelIdentity& identity : kModels) {
        if (identity.model_code.size() != kModelCodeLength ||
            identity.model_number != (identity.family << 8 | identity.model)) {
            return false;
        }
    }
    return true;
}());

}  // namespace

std::span<const ModelIdentity> ModelIdentities() {
    return kModels;
}

const ModelIdentity* FindModelIdentity(uint8_t family, uint8_t model) {
    for (const ModelIdentity& identity : kModels) {
        if (identity.family == family && identity.model == model) {
            return &identity;
        }
    }
    return nullptr;
}

}  // namespace kestrel::sim
