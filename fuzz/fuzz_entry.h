// The entry point every fuzz target defines; libFuzzer or replay_main.cpp
// calls it once per input.
#ifndef KESTREL_FUZZ_ENTRY_H
#define KESTREL_FUZZ_ENTRY_H

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

#endif  // KESTREL_FUZZ_ENTRY_H
