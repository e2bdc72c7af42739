#include "uid_lookup.h"

#include <array>
#include <cstring>
#include <string>

#include "dvr_connection.h"
#include "host_address.h"
#include "kestrel_net_codes.h"
#include "network_overrides.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kLookupRequestCode = 50;
constexpr int kReceiveWaitSeconds = 5;

std::array<uint8_t, kUidMessageBytes> BuildRequest(const char* identifier) {
    std::array<uint8_t, kUidMessageBytes> request{};
    for (size_t i = 0; i < 4; ++i) {
        request[i] = static_cast<uint8_t>(kLookupRequestCode >> (8 * i));
    }
    std::memcpy(request.data() + kUidIdentifierOffset, identifier,
                strnlen(identifier, kUidMaxIdentifierChars));
    return request;
}

// 1 with the answer in *record, else 0 with *record all zero.
int32_t Exchange(DvrConnection& link, const char* identifier, DvrAddressRecord* record) {
    const std::array<uint8_t, kUidMessageBytes> request = BuildRequest(identifier);
    if (!link.SendAll(request.data(), request.size())) {
        return 0;
    }
    return ReadUidAnswer(
        [&](uint8_t* into, size_t* length) {
            return link.ReceiveOnce(into, length, kReceiveWaitSeconds);
        },
        record);
}

}  // namespace

int32_t LookupDvrAddress(const char* identifier, DvrAddressRecord* record) {
    if (identifier == nullptr || record == nullptr) {
        return 0;
    }
    std::memset(record, 0, sizeof *record);
    Endpoint server;
    std::string dotted;
    if (!UidServer(&server) || ResolveHostAddress(server.host, &dotted) != QW_NET_OK) {
        return 0;
    }
    DvrConnection link;
    link.SetHost(dotted, server.port);
    if (!link.Connect()) {
        return 0;
    }
    const int32_t found = Exchange(link, identifier, record);
    link.Close();
    return found;
}

}  // namespace kestrel::net
