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
    bool show_help = false;
};

// args without the program name. false with *error on an unknown option or a
// bad value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error);
std::string CommandLineUsage();

}  // namespace kestrel::sim
