// CPU time from the process clock, resident memory from /proc.
#include "platform/process_usage.h"

#include <time.h>

#include <cstdio>

namespace platform {

ResidentMemory ProcessResidentMemory() {
    ResidentMemory memory;
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) {
        return memory;
    }
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "VmRSS: %llu kB", &kib) == 1) {
            memory.current_bytes = kib * 1024;
        } else if (std::sscanf(line, "VmHWM: %llu kB", &kib) == 1) {
            memory.peak_bytes = kib * 1024;
        }
    }
    std::fclose(status);
    return memory;
}

double ProcessCpuSeconds() {
    timespec used{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &used) != 0) {
        return 0;
    }
    return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
}

}  // namespace platform
