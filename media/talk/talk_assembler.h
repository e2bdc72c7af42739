// Reassembles received talk audio: bytes arrive in pieces of any size,
// audio records are taken out once they are whole and their blocks handed
// on; everything else (video records, padding, noise) is passed over.
//
// An audio record is an 8-byte header (stream digit, codec digit '3' or '5',
// "wb", u16 block size, u16 payload length with 0 meaning one block) and the
// payload, cut into blocks of the block size. A record whose block size is
// 0 is passed over; bytes after the last whole block of a record are not
// handed on.
//
// Threading: not thread-safe; the owner serialises calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "frame_format.h"

namespace kestrel::media {

class TalkAssembler {
public:
    // Bytes held between calls at most: a piece and the carry-over.
    static constexpr size_t kCapacity = 131072;
    // Bytes kept when no marker is found: enough for a marker cut short.
    static constexpr size_t kKeepWithoutMarker = 9;
    // The largest record the u16 lengths allow always fits, so a held
    // incomplete record leaves room for more input and never blocks it.
    static_assert(kAudioHeaderSize + 0xFFFF < kCapacity);

    using BlockSink = std::function<void(std::span<const uint8_t> block)>;

    // nullptr when the buffer cannot be had.
    static std::unique_ptr<TalkAssembler> Create();

    // Appends `data` to the carry-over and hands every block of each record
    // completed by it to `sink`, in order. Input larger than the room left
    // is taken in turns, so nothing is lost and the buffer never overflows.
    void Input(std::span<const uint8_t> data, const BlockSink& sink);

    // Carry-over bytes waiting for more input.
    size_t Pending() const { return used_; }

private:
    TalkAssembler() = default;
    // Takes the whole records out of the buffer and keeps what is left.
    void Parse(const BlockSink& sink);

    std::unique_ptr<uint8_t[]> buffer_;
    size_t used_ = 0;
};

}  // namespace kestrel::media
