#include "channel_counts.h"

#include "kestrel_records.h"

namespace kestrel::client {

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
