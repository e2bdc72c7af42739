// A scripted recorder for the net fuzz targets: hands a byte stream to a
// reader's receive step in pieces, the way a socket would, and checks that
// the reader only ever asks for the next bytes of its own buffer.
//
// Two plan bytes shape the pieces: the first gives the piece size (bits 0-5,
// plus one; bit 6 makes it kibibytes) and whether the stream ends in a
// time-out (bit 7) instead of the peer's close; the second, when not 0,
// makes every n-th receive an empty one although bytes remain.
#ifndef KESTREL_FUZZ_NET_PEER_H
#define KESTREL_FUZZ_NET_PEER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "fuzz_entry.h"
#include "recorder_answers.h"

namespace kestrel::fuzz {

class ScriptedPeer {
public:
    static constexpr size_t kPlanBytes = 2;

    // plan points at kPlanBytes bytes; the buffer [base, base + capacity) is
    // where the reader must receive into.
    ScriptedPeer(const uint8_t* plan, std::string_view stream, const uint8_t* base, size_t capacity)
        : stream_(stream), base_(base), capacity_(capacity) {
        piece_ = (static_cast<size_t>(plan[0]) & 0x3F) + 1;
        if ((plan[0] & 0x40) != 0) {
            piece_ *= 1024;
        }
        ends_in_timeout_ = (plan[0] & 0x80) != 0;
        empty_every_ = plan[1];
    }

    // Receive steps may only start over when the reader starts on a new buffer.
    void Rebase(const uint8_t* base, size_t capacity) {
        base_ = base;
        capacity_ = capacity;
        written_ = 0;
    }

    net::ReceiveStep Step() {
        return [this](uint8_t* into, size_t* length) { return Receive(into, length); };
    }

    size_t Delivered() const { return delivered_; }
    size_t WrittenHere() const { return written_; }
    int Receives() const { return receives_; }
    std::string_view Stream() const { return stream_; }

private:
    bool Receive(uint8_t* into, size_t* length) {
        // Contiguous, inside the buffer: nothing skipped, nothing overrun.
        Check(into == base_ + written_);
        Check(*length <= capacity_ - written_);
        ++receives_;
        if (empty_every_ != 0 && receives_ % empty_every_ == 0 && delivered_ < stream_.size()) {
            *length = 0;
            return true;
        }
        if (delivered_ == stream_.size()) {
            *length = 0;
            return !ends_in_timeout_;
        }
        const size_t count = std::min({*length, piece_, stream_.size() - delivered_});
        std::memcpy(into, stream_.data() + delivered_, count);
        delivered_ += count;
        written_ += count;
        *length = count;
        return true;
    }

    std::string_view stream_;
    const uint8_t* base_;
    size_t capacity_;
    size_t piece_ = 1;
    bool ends_in_timeout_ = false;
    int empty_every_ = 0;
    size_t delivered_ = 0;
    size_t written_ = 0;
    int receives_ = 0;
};

inline uint32_t StreamLE32(std::string_view bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[offset + i])) << (8 * i);
    }
    return value;
}

}  // namespace kestrel::fuzz

#endif  // KESTREL_FUZZ_NET_PEER_H
