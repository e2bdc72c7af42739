// How many channels a recorder has, from the subtype code its open reports.
#pragma once

#include <cstdint>

#include "kestrel_net.h"
#include "kestrel_recorder_traits.h"

namespace kestrel::client {

// Channel count used when neither the table nor the recorder knows it.
constexpr int32_t kFallbackChannelCount = 16;

// 1, 4, 8 or 16 for a known subtype; 0 for one not in the table.
constexpr int32_t ChannelCountOfSubtype(uint32_t subtype) {
    return kestrel::ChannelCountOfSubtype(subtype);
}
// The table's count; for an unknown subtype the recorder's capabilities
// record when it can be read and names 1 to 16 channels, else 16. Blocks for
// the capabilities call only for an unknown subtype.
int32_t ResolveChannelCount(uint32_t subtype, QW_DVR_HANDLE handle);

}  // namespace kestrel::client
