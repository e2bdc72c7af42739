#include "uid_lookup.h"

#include <array>
#include <cstring>
#include <string>

#include "dvr_connection.h"
#include "host_address.h"
#include "kestrel_net_codes.h"
#include "network_overrides.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kLookupRequestCode = 50;
constexpr int kMaxReceives = 3;
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

// Bytes of the answer that arrived, at most kUidMessageBytes.
size_t Exchange(DvrConnection& link, const char* identifier, uint8_t* answer) {
    const std::array<uint8_t, kUidMessageBytes> request = BuildRequest(identifier);
    if (!link.SendAll(request.data(), request.size())) {
        return 0;
    }
    size_t received = 0;
    for (int i = 0; i < kMaxReceives && received < kUidMessageBytes; ++i) {
        size_t got = kUidMessageBytes - received;
        // A closed connection will bring nothing more.
        if (!link.ReceiveOnce(answer + received, &got, kReceiveWaitSeconds) || got == 0) {
            break;
        }
        received += got;
    }
    return received;
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
    const size_t received = Exchange(link, identifier, record->bytes);
    link.Close();
    if (received < kUidMessageBytes) {
        // A part of an answer is no address; leave nothing half-written.
        std::memset(record, 0, sizeof *record);
        return 0;
    }
    return 1;
}

}  // namespace kestrel::net
