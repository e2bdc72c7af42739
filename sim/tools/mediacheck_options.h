// Command line of kestrel-mediacheck.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::tools {

struct MediacheckOptions {
    // Both set: an outside recorder on loopback; neither: an embedded one.
    std::optional<std::string> host;
    uint16_t port = 0;
    int channel = 0;      // 0..15
    int stream = 0;       // 0 main, 1 sub
    int buffer_mode = 0;  // 0 or 1
    int seconds = 5;      // 1..3600
    bool rgb_window = false;
    std::string out_file;  // empty: no raw pictures
    bool show_help = false;
};

// false with *error when an option is unknown, lacks its value or is out of
// range, or the host is not a dotted address in 127.0.0.0/8.
bool ParseMediacheckOptions(const std::vector<std::string>& args, MediacheckOptions* options,
                            std::string* error);
std::string MediacheckUsage();

}  // namespace kestrel::tools
