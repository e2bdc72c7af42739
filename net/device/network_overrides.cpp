#include "network_overrides.h"

#include <cstdlib>

#include "platform/socket.h"

namespace kestrel::net {

namespace {

constexpr char kBroadcastVariable[] = "KESTREL_BROADCAST_ADDR";
constexpr char kDiscoveryPortVariable[] = "KESTREL_DISCOVERY_PORT";
constexpr char kUidServerVariable[] = "KESTREL_UID_SERVER";

// Copied at once: the environment's storage may change after the call.
bool ReadVariable(const char* name, std::string* value) {
    const char* text = std::getenv(name);
    if (text == nullptr) {
        return false;
    }
    *value = text;
    return true;
}

}  // namespace

bool ParseHostPort(const std::string& text, uint16_t default_port, Endpoint* out) {
    const size_t colon = text.rfind(':');
    std::string host = text.substr(0, colon);
    uint16_t port = default_port;
    if (colon != std::string::npos && !platform::ParsePortNumber(text.substr(colon + 1), &port)) {
        return false;
    }
    if (host.empty() || host.find(':') != std::string::npos) {
        return false;
    }
    out->host = std::move(host);
    out->port = port;
    return true;
}

bool DiscoveryDestination(Endpoint* out) {
    Endpoint destination{kDefaultBroadcastAddress, kDefaultDiscoveryPort};
    std::string value;
    if (ReadVariable(kBroadcastVariable, &value)) {
        if (!platform::IsDottedIPv4(value)) {
            return false;
        }
        destination.host = value;
    }
    if (ReadVariable(kDiscoveryPortVariable, &value) &&
        !platform::ParsePortNumber(value, &destination.port)) {
        return false;
    }
    *out = std::move(destination);
    return true;
}

bool UidServer(Endpoint* out) {
    std::string value;
    if (!ReadVariable(kUidServerVariable, &value) || value.empty()) {
        return false;
    }
    return ParseHostPort(value, kDefaultUidServerPort, out);
}

}  // namespace kestrel::net
