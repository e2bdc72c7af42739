// The writer's counters and stream parameters, stored in a finalised record
// file as a 76-byte block (nineteen little-endian 32-bit words, this order).
#pragma once

#include <cstdint>

namespace kestrel::client {

struct RecordState {
    uint32_t reserved0;
    int32_t height;
    int32_t width;
    uint32_t reserved1;
    int32_t frameRate;
    uint32_t audioCode;
    uint32_t sampleRate;
    uint32_t bitsPerSample;
    uint32_t bitRate;
    uint32_t blockAlign;
    uint32_t audioChannels;
    uint32_t reserved2;
    uint32_t reserved3;
    // Always written as 0; read back but not trusted.
    uint32_t reserved4;
    int32_t totalChunks;
    int32_t audioChunks;
    int32_t videoChunks;
    // Bytes behind the "movi" tag: chunk headers, data and pad bytes.
    int32_t moviBytes;
    // Stream bytes consumed so far, header included.
    int32_t streamPosition;
};

constexpr int kRecordStateWords = 19;
static_assert(sizeof(RecordState) == kRecordStateWords * 4, "state block is 76 bytes");

}  // namespace kestrel::client
