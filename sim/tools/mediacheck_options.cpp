#include "mediacheck_options.h"

#include <charconv>

#include "sim/recorder_config.h"

namespace kestrel::tools {
namespace {

bool ParseInt(const std::string& text, int low, int high, int* value) {
    int parsed = 0;
    const char* end = text.data() + text.size();
    const auto [next, status] = std::from_chars(text.data(), end, parsed);
    if (status != std::errc() || next != end || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

}  // namespace

bool ParseMediacheckOptions(const std::vector<std::string>& args, MediacheckOptions* options,
                            std::string* error) {
    bool port_given = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options->show_help = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            *error = option.rfind("--", 0) == 0 ? option + " needs a value"
                                                : "unexpected argument " + option;
            return false;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (option == "--host") {
            // Loopback only, and never a name to resolve.
            ok = sim::IsLoopbackAddress(value);
            options->host = value;
        } else if (option == "--port") {
            int port = 0;
            ok = ParseInt(value, 1, 65535, &port);
            options->port = static_cast<uint16_t>(port);
            port_given = true;
        } else if (option == "--channel") {
            ok = ParseInt(value, 0, 15, &options->channel);
        } else if (option == "--stream") {
            ok = ParseInt(value, 0, 1, &options->stream);
        } else if (option == "--buffer-mode") {
            ok = ParseInt(value, 0, 1, &options->buffer_mode);
        } else if (option == "--seconds") {
            ok = ParseInt(value, 1, 3600, &options->seconds);
        } else if (option == "--window") {
            ok = value == "yuy2" || value == "rgb";
            options->rgb_window = value == "rgb";
        } else if (option == "--out") {
            ok = !value.empty();
            options->out_file = value;
        } else {
            *error = "unknown option " + option;
            return false;
        }
        if (!ok) {
            *error = option == "--host" ? "--host must be a dotted address in 127.0.0.0/8"
                                        : "bad value for " + option + ": " + value;
            return false;
        }
    }
    if (options->host.has_value() != port_given) {
        *error = "--host and --port go together";
        return false;
    }
    return true;
}

std::string MediacheckUsage() {
    return "usage: kestrel-mediacheck [options]\n"
           "  Shows one live channel through the protocol and media libraries and\n"
           "  prints \"frame N WxH md5\" for each presented picture (YUY2: md5 of the\n"
           "  picture as planar 4:2:0; RGB: of its rows), then a summary.\n"
           "  --host 127.x.x.x --port N  a running recorder (default: an embedded one)\n"
           "  --channel C                 0..15 (default 0)\n"
           "  --stream S                  0 main, 1 sub (default 0)\n"
           "  --buffer-mode M             0 or 1 (default 0)\n"
           "  --seconds T                 1..3600 (default 5)\n"
           "  --window yuy2|rgb           pixel format the window accepts (default yuy2)\n"
           "  --out FILE                  raw pictures as presented, rows unpadded\n"
           "                              (yuyv422 or bgr0)\n"
           "  exit status: 0 pictures came and no stream data was lost, 1 otherwise,\n"
           "  2 bad command line\n";
}

}  // namespace kestrel::tools
