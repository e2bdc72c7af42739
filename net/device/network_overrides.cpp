#include "network_overrides.h"

#include <cstdlib>

#include "platform/socket.h"

namespace kestrel::net {

namespace {

constexpr char kBroadcastVariable[] = "KESTREL_BROADCAST_ADDR";
constexpr char kDiscoveryPortVariable[] = "KESTREL_DISCOVERY_PORT";
constexpr char kUidServerVariable[] = "KESTREL_UID_SERVER";
constexpr size_t kMaxPortDigits = 5;

bool ParsePort(const std::string& text, uint16_t* port) {
    if (text.empty() || text.size() > kMaxPortDigits) {
        return false;
    }
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 0xFFFF) {
        return false;
    }
    *port = static_cast<uint16_t>(value);
    return true;
}

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
    if (colon != std::string::npos && !ParsePort(text.substr(colon + 1), &port)) {
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
    if (ReadVariable(kDiscoveryPortVariable, &value) && !ParsePort(value, &destination.port)) {
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
