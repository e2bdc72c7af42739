#include "flash_network.h"

#include <cstdlib>

#include "platform/socket.h"

namespace kestrel::flash {

namespace {
constexpr size_t kMaxPortDigits = 5;
}  // namespace

bool ParsePortNumber(const std::string& text, uint16_t* port) {
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

bool ReadFlashNetwork(FlashNetwork* out, std::string* error) {
    FlashNetwork network;
    // Copied at once: the environment's storage may change later.
    if (const char* text = std::getenv("KESTREL_BROADCAST_ADDR")) {
        if (!platform::IsDottedIPv4(text)) {
            *error = "KESTREL_BROADCAST_ADDR is not a dotted IPv4 address";
            return false;
        }
        network.broadcast_address = text;
    }
    if (const char* text = std::getenv("KESTREL_FLASH_UDP_PORT")) {
        if (!ParsePortNumber(text, &network.udp_port)) {
            *error = "KESTREL_FLASH_UDP_PORT is not a port number";
            return false;
        }
    }
    if (const char* text = std::getenv("KESTREL_FLASH_TCP_PORT")) {
        if (!ParsePortNumber(text, &network.tcp_port)) {
            *error = "KESTREL_FLASH_TCP_PORT is not a port number";
            return false;
        }
    }
    *out = std::move(network);
    return true;
}

}  // namespace kestrel::flash
