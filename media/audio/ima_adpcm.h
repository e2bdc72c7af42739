// IMA ADPCM blocks of the older recorder types: bytes 0..1 the first sample
// (signed 16-bit), byte 2 the initial step index, byte 3 unused, then 4-bit
// codes, low nibble first.
//
// Threading: a plain function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::media {

constexpr size_t kImaAdpcmHeaderBytes = 4;

// Samples a block of `block_bytes` decodes to: 1 + 2 per code byte.
constexpr size_t ImaAdpcmSamples(size_t block_bytes) {
    return block_bytes < kImaAdpcmHeaderBytes ? 0 : 1 + (block_bytes - kImaAdpcmHeaderBytes) * 2;
}

// Decodes one block into `out` (at least ImaAdpcmSamples(block.size())
// samples); returns the samples written, 0 for a block shorter than its
// header or an `out` too small.
size_t DecodeImaAdpcmBlock(std::span<const uint8_t> block, std::span<int16_t> out);

}  // namespace kestrel::media
