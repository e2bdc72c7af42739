#include "channel_counts.h"

#include <algorithm>
#include <iterator>

#include "kestrel_records.h"

namespace kestrel::client {
namespace {

struct SubtypeCount {
    uint32_t subtype;
    int32_t channels;
};

constexpr SubtypeCount kSubtypeCounts[] = {
    {0x01020500, 1},  {0x01020501, 1},  {0x02026201, 1},  {0x02026211, 1}, {0x02026221, 1},
    {0x02026231, 1},  {0x02026241, 1},  {0x02026251, 1},

    {0x01010200, 4},  {0x01030607, 4},  {0x02016100, 4},  {0x02026202, 4}, {0x02026212, 4},
    {0x02026222, 4},  {0x02026232, 4},  {0x02026242, 4},  {0x02026252, 4}, {0x02046300, 4},
    {0x02066602, 4},  {0x02079602, 4},  {0x02079612, 4},  {0x02091112, 4}, {0x06000004, 4},

    {0x01010300, 8},  {0x01030601, 8},  {0x01030606, 8},  {0x02026203, 8}, {0x02026213, 8},
    {0x02026223, 8},  {0x02026233, 8},  {0x02026243, 8},  {0x02026253, 8}, {0x02066603, 8},
    {0x02079603, 8},  {0x02079613, 8},  {0x04000008, 8},  {0x04000009, 8},

    {0x01030600, 16}, {0x02079614, 16}, {0x0400000A, 16},
};

}  // namespace

int32_t ChannelCountOfSubtype(uint32_t subtype) {
    auto found = std::find_if(std::begin(kSubtypeCounts), std::end(kSubtypeCounts),
                              [subtype](const SubtypeCount& e) { return e.subtype == subtype; });
    return found == std::end(kSubtypeCounts) ? 0 : found->channels;
}

int32_t ResolveChannelCount(uint32_t subtype, QW_DVR_HANDLE handle) {
    int32_t known = ChannelCountOfSubtype(subtype);
    if (known > 0) {
        return known;
    }
    QwDevCaps caps{};
    caps.channel_count = QW_MAX_CHANNELS;
    if (handle != nullptr && QW_SRDK_DEV_GetDevCaps(handle, &caps) == 0 &&
        caps.channel_count >= 1 && caps.channel_count <= kFallbackChannelCount) {
        return caps.channel_count;
    }
    return kFallbackChannelCount;
}

}  // namespace kestrel::client
