// Tick counts and local time.
#include "platform/clock.h"

#include <time.h>

namespace platform {
namespace {

uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

}  // namespace

uint32_t TickCountMs() {
    return static_cast<uint32_t>(MonotonicMs());
}

uint64_t MonotonicMs() {
    return MonotonicNanoseconds() / 1000000u;
}

uint64_t MonotonicUs() {
    return MonotonicNanoseconds() / 1000u;
}

LocalTime Now() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm parts{};
    localtime_r(&now.tv_sec, &parts);
    return LocalTime{parts.tm_year + 1900,
                     parts.tm_mon + 1,
                     parts.tm_mday,
                     parts.tm_hour,
                     parts.tm_min,
                     parts.tm_sec,
                     static_cast<int>(now.tv_nsec / 1000000),
                     parts.tm_wday};
}

}  // namespace platform
