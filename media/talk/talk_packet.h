// The packet a talk handle sends for one encoded microphone frame: an audio
// record header ('0', '3', "wb", u16 block size, u16 payload length, both
// the frame's length n), the n frame bytes, then zeros up to a multiple of 8.
// All numbers little-endian.
//
// Threading: plain functions of their arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::media {

constexpr size_t kTalkPacketHeaderBytes = 8;
// A frame's length has to fit the u16 fields.
constexpr size_t kTalkMaxFrameBytes = 0xFFFF;
// Each packet's stamp is this much past the one before; the first is 0.
constexpr uint64_t kTalkStampStep = 20;

// Header, frame and the padding that makes the whole a multiple of 8.
constexpr size_t TalkPacketSize(size_t frame_bytes) {
    return kTalkPacketHeaderBytes + frame_bytes + (7 - (frame_bytes + 7) % 8);
}

// Writes the packet of `frame` to the front of `out` and returns its
// length; 0 (nothing written) when the frame is empty or too long, or `out`
// too small.
size_t BuildTalkPacket(std::span<const uint8_t> frame, std::span<uint8_t> out);

}  // namespace kestrel::media
