#include "command_line.h"

#include "platform/socket.h"

namespace kestrel::flash {

const char kHeadlessUsage[] =
    "Usage: KestrelFlash                  open the upgrade window\n"
    "       KestrelFlash --image FILE [--host ADDR] [--search-only] [--only IP[,IP...]]\n"
    "                    [--timeout SECONDS] [--json]\n"
    "\n"
    "Searches the recorders of the segment of ADDR (default: the first non-loopback\n"
    "IPv4 address), uploads FILE to every one that may take it (or only to those\n"
    "listed by --only) and prints one line per recorder: IP, state and comment,\n"
    "tab-separated, or a JSON array with --json.\n"
    "  --search-only  list the recorders found and what they would do, upload nothing\n"
    "  --timeout S    give up on a recorder silent for S seconds (default 600)\n"
    "Exit status: 0 all uploads succeeded (or nothing to do), 1 an upload failed or a\n"
    "--only address did not answer, 2 bad image or arguments, 3 no recorder answered.\n";

namespace {

constexpr int kMaxTimeoutSeconds = 24 * 3600;

const char* const kHeadlessOnly[] = {"--image", "--search-only", "--only",    "--timeout",
                                     "--json",  "--help",        "--version", "-h"};

bool ParseSeconds(const std::string& text, int* out) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxTimeoutSeconds) {
        return false;
    }
    *out = value;
    return true;
}

bool SplitAddresses(const std::string& text, std::vector<std::string>* out) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string address = text.substr(start, comma - start);
        if (!platform::IsDottedIPv4(address)) {
            return false;
        }
        out->push_back(address);
        start = comma + 1;
    }
    return !out->empty();
}

}  // namespace

bool WantsHeadless(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        for (const char* option : kHeadlessOnly) {
            if (arg == option) {
                return true;
            }
        }
    }
    return false;
}

bool ParseHeadless(const std::vector<std::string>& args, HeadlessOptions* out, std::string* error) {
    HeadlessOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string* into) {
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return false;
            }
            *into = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--image") {
            if (!value(&options.image)) {
                return false;
            }
            options.image_given = true;
        } else if (arg == "--host") {
            if (!value(&options.host)) {
                return false;
            }
            if (!platform::IsDottedIPv4(options.host)) {
                *error = "--host needs a dotted IPv4 address, not \"" + options.host + "\"";
                return false;
            }
        } else if (arg == "--search-only") {
            options.search_only = true;
        } else if (arg == "--only") {
            if (!value(&text)) {
                return false;
            }
            if (!SplitAddresses(text, &options.only)) {
                *error = "--only needs dotted IPv4 addresses separated by commas";
                return false;
            }
        } else if (arg == "--timeout") {
            if (!value(&text)) {
                return false;
            }
            if (!ParseSeconds(text, &options.timeout_s)) {
                *error =
                    "--timeout needs whole seconds from 1 to " + std::to_string(kMaxTimeoutSeconds);
                return false;
            }
        } else if (arg == "--json") {
            options.json = true;
        } else {
            *error = "unknown argument \"" + arg + "\"";
            return false;
        }
    }
    if (!options.help && !options.version && !options.image_given) {
        *error = "--image FILE is required";
        return false;
    }
    *out = std::move(options);
    return true;
}

}  // namespace kestrel::flash
