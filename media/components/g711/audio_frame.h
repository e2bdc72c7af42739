// Layout of a recorder audio frame: 00 01 <payload words> 00, then one
// mu-law byte per sample. Shared by the components that read or write it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qw::g711 {

inline constexpr size_t kFrameHeaderBytes = 4;
// The payload length is one byte counting 16-bit words.
inline constexpr size_t kMaxFrameSamples = 255 * 2;

// Samples a frame of length bytes carries: what its header declares, cut to
// what is actually there. -1 when the header is missing or does not start
// 00 01.
inline ptrdiff_t FrameSamples(const uint8_t* frame, size_t length) {
    if (frame == nullptr || length < kFrameHeaderBytes || frame[0] != 0x00 || frame[1] != 0x01) {
        return -1;
    }
    const size_t declared = size_t{frame[2]} * 2;
    const size_t present = length - kFrameHeaderBytes;
    return static_cast<ptrdiff_t>(declared < present ? declared : present);
}

// Writes the header of a frame of sample_count samples (even, at most
// kMaxFrameSamples).
inline void WriteFrameHeader(uint8_t* out, size_t sample_count) {
    out[0] = 0x00;
    out[1] = 0x01;
    out[2] = static_cast<uint8_t>(sample_count / 2);
    out[3] = 0x00;
}

}  // namespace qw::g711
