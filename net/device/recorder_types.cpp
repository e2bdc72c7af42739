#include "recorder_types.h"

#include <algorithm>
#include <array>

namespace kestrel::net {

namespace {

struct ModelRow {
    uint8_t family;
    uint8_t model;
    int32_t type;
    int32_t subtype;
};

constexpr ModelRow kModels[] = {
    {0x15, 0x13, 0x01000401, 0x04000008}, {0x15, 0x14, 0x01000402, 0x04000009},
    {0x15, 0x15, 0x01000403, 0x0400000A}, {0x90, 0x00, 0x01000210, 0x06000004},
    {0x96, 0x02, 0x01000207, 0x02079602}, {0x96, 0x03, 0x01000207, 0x02079603},
    {0x96, 0x10, 0x01000207, 0x05019610}, {0x96, 0x12, 0x01000207, 0x02079612},
    {0x96, 0x13, 0x01000207, 0x02079613}, {0x96, 0x14, 0x01000207, 0x02079614},
    {0x96, 0x1A, 0x01000207, 0x0501961A},
};

// Families whose unlisted models are still served, with a type code only.
struct FamilyRow {
    uint8_t family;
    int32_t type;
};
constexpr FamilyRow kFamilyDefaults[] = {{0x90, 0x01000210}, {0x96, 0x01000207}};

constexpr std::array<int32_t, 6> kLoginTypes = {0x01000206, 0x01000207, 0x01000210,
                                                0x01000401, 0x01000402, 0x01000403};
constexpr std::array<int32_t, 5> kLiveStreamTypes = {0x01000207, 0x01000210, 0x01000401, 0x01000402,
                                                     0x01000403};

}  // namespace

std::optional<RecorderType> LookupRecorderType(uint8_t family, uint8_t model) {
    for (const ModelRow& row : kModels) {
        if (row.family == family && row.model == model) {
            return RecorderType{row.type, row.subtype};
        }
    }
    for (const FamilyRow& row : kFamilyDefaults) {
        if (row.family == family) {
            return RecorderType{row.type, std::nullopt};
        }
    }
    // Family 0x15 with an unlisted model is refused too: opening it without
    // a login would depend on what the caller left in its type output.
    return std::nullopt;
}

bool RequiresLogin(int32_t type) {
    return std::find(kLoginTypes.begin(), kLoginTypes.end(), type) != kLoginTypes.end();
}

bool IsLiveStreamType(int32_t type) {
    return std::find(kLiveStreamTypes.begin(), kLiveStreamTypes.end(), type) !=
           kLiveStreamTypes.end();
}

}  // namespace kestrel::net
