// Command line of the kestrel-dvrsim program, turned into a RecorderConfig.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/recorder_config.h"

namespace kestrel::sim {

struct CommandLine {
    RecorderConfig config;
    std::optional<int> duration_seconds;  // none: run until SIGINT/SIGTERM
    // Discovery answers on 127.255.255.255 at this port (0: any free port).
    std::optional<uint16_t> discovery_port;
    // Identifier lookups on the bind address at this port (0: any free port).
    std::optional<uint16_t> uid_port;
    // Upgrade services of this many recorders instead of the one recorder.
    std::optional<int> flash_fleet;
    int flash_chunk_delay_ms = 0;  // before each chunk's reply
    bool show_help = false;
};

// The upgrade services' ports: KESTREL_FLASH_UDP_PORT (search, default 8200)
// and KESTREL_FLASH_TCP_PORT (uploads, default 8100). false with *error on a
// value that is not a port number.
bool ReadFlashPorts(uint16_t* udp_port, uint16_t* tcp_port, std::string* error);

// args without the program name. false with *error on an unknown option or a
// bad value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error);
std::string CommandLineUsage();

}  // namespace kestrel::sim
