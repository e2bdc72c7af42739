// Where the upgrade tool searches and uploads: the broadcast destination and
// the two ports. The defaults are the recorders' fixed ones; tests and demos
// move them to loopback through the environment, read here and nowhere else:
//   KESTREL_BROADCAST_ADDR  search destination (255.255.255.255)
//   KESTREL_FLASH_UDP_PORT  search port (8200)
//   KESTREL_FLASH_TCP_PORT  upload port (8100)
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::flash {

struct FlashNetwork {
    std::string broadcast_address = "255.255.255.255";
    uint16_t udp_port = 8200;
    uint16_t tcp_port = 8100;
};

// The defaults with the environment's overrides; false (and *error naming the
// variable) when a variable is set to something unusable.
bool ReadFlashNetwork(FlashNetwork* out, std::string* error);

}  // namespace kestrel::flash
