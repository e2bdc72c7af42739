// A file held in memory that counts its reads, so an unbounded search shows
// up as a failure, and checks that no read runs past the file.
#ifndef KESTREL_FUZZ_COUNTING_INPUT_H
#define KESTREL_FUZZ_COUNTING_INPUT_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_entry.h"
#include "random_access_input.h"

class CountingInput : public kestrel::media::MemoryInput {
public:
    using MemoryInput::MemoryInput;
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        ++reads;
        const size_t got = MemoryInput::ReadAt(offset, out);
        Check(got <= out.size() && (got == 0 || offset + got <= Size()));
        return got;
    }
    size_t reads = 0;
};

#endif  // KESTREL_FUZZ_COUNTING_INPUT_H
