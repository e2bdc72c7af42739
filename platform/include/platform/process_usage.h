// What the running process uses: CPU time and resident memory, for
// benchmarks that report the cost of their work.
#pragma once

#include <cstdint>

namespace platform {

struct ResidentMemory {
    uint64_t current_bytes = 0;  // resident set now
    uint64_t peak_bytes = 0;     // largest resident set so far
};

// Zeros when the system does not tell.
ResidentMemory ProcessResidentMemory();
// CPU seconds of all threads of this process, user and system together.
double ProcessCpuSeconds();

}  // namespace platform
