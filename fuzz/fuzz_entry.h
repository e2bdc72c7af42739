// The entry point every fuzz target defines; libFuzzer or replay_main.cpp
// calls it once per input.
#ifndef KESTREL_FUZZ_ENTRY_H
#define KESTREL_FUZZ_ENTRY_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A broken invariant ends the run, so libFuzzer keeps the input as a finding
// and the corpus replay fails.
inline void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

#endif  // KESTREL_FUZZ_ENTRY_H
