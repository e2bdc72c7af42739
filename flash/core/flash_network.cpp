#include "flash_network.h"

#include <cstdlib>

#include "platform/socket.h"

namespace kestrel::flash {

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
        if (!platform::ParsePortNumber(text, &network.udp_port)) {
            *error = "KESTREL_FLASH_UDP_PORT is not a port number";
            return false;
        }
    }
    if (const char* text = std::getenv("KESTREL_FLASH_TCP_PORT")) {
        if (!platform::ParsePortNumber(text, &network.tcp_port)) {
            *error = "KESTREL_FLASH_TCP_PORT is not a port number";
            return false;
        }
    }
    *out = std::move(network);
    return true;
}

}  // namespace kestrel::flash
