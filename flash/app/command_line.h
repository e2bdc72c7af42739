// The upgrade tool's command line. With --image (or any of the options that
// only make sense without a window) the tool runs headless; otherwise it
// opens its window, which reads its own options.
#pragma once

#include <string>
#include <vector>

namespace kestrel::flash {

constexpr int kDefaultSilenceSeconds = 600;

struct HeadlessOptions {
    bool help = false;
    bool version = false;
    bool image_given = false;
    std::string image;
    std::string host;  // empty: the first non-loopback IPv4 address
    bool search_only = false;
    std::vector<std::string> only;  // empty: every row found
    int timeout_s = kDefaultSilenceSeconds;
    bool json = false;
};

// Whether these arguments (argv[1..]) ask for the headless run.
bool WantsHeadless(const std::vector<std::string>& args);

// false with *error for an unknown option, a missing or malformed value, or
// a missing --image.
bool ParseHeadless(const std::vector<std::string>& args, HeadlessOptions* out, std::string* error);

extern const char kHeadlessUsage[];

}  // namespace kestrel::flash
