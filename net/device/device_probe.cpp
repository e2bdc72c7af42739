#include "device_probe.h"

#include "kestrel_net_codes.h"
#include "platform/thread.h"

namespace kestrel::net {

namespace {
constexpr uint32_t kIdentifyRequestLength = 28;
constexpr int kMaxEmptyReceives = 6;
constexpr int kEmptyReceiveRetryMs = 20;
}  // namespace

DeviceProbe::DeviceProbe(const std::string& host, int command_port) {
    link_.SetHost(host, command_port);
}

DeviceProbe::~DeviceProbe() {
    link_.Close();
}

int32_t DeviceProbe::Identify(Identity* identity) {
    if (!link_.HasSocket() && !link_.Connect()) {
        return QW_NET_ERR_IDENTIFY_CONNECT;
    }
    RequestBlock block(kCmdIdentify, kIdentifyRequestLength);
    block.PutLE32(20, 1);
    block.PutLE32(24, 0);
    if (!link_.SendAll(block.data(), block.size())) {
        return QW_NET_ERR_RESPONSE;
    }

    // The answer is a whole 500-byte block.
    block.Fill(0);
    size_t received = 0;
    int empty_receives = 0;
    while (received < block.size()) {
        size_t got = block.size() - received;
        if (!link_.ReceiveOnce(block.data() + received, &got, kExchangeWaitSeconds)) {
            return QW_NET_ERR_RESPONSE;
        }
        if (got == 0) {
            if (++empty_receives >= kMaxEmptyReceives) {
                return QW_NET_ERR_RESPONSE;
            }
            platform::SleepMs(kEmptyReceiveRetryMs);
            continue;
        }
        received += got;
    }
    return ParseIdentifyAnswer(block, identity) ? QW_NET_OK : QW_NET_ERR_RESPONSE;
}

}  // namespace kestrel::net
