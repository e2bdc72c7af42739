// Time and free disk space as the client core sees them, replaceable so that
// the 30-minute recording split and the low-disk guard can be tested without
// waiting or filling a disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"

namespace kestrel::client {

struct ClientSeams {
    // Local wall-clock time (file and folder names).
    std::function<platform::LocalTime()> now = [] { return platform::Now(); };
    // Free bytes on the disk holding a folder; negative when unknown.
    std::function<int64_t(const std::string& folder)> freeBytes;
    // Sleeps for a number of milliseconds (the split pause).
    std::function<void(int milliseconds)> sleep;

    // The real clock, disk and sleep.
    static ClientSeams System();
};

}  // namespace kestrel::client
