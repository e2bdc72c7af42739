#include "connection_writer.h"

#include <algorithm>

#include "platform/socket.h"

namespace kestrel::sim {

ConnectionWriter::ConnectionWriter(platform::Socket& socket, std::optional<uint64_t> close_after,
                                   int wait_ms)
    : socket_(socket), close_after_(close_after), wait_ms_(wait_ms) {}

bool ConnectionWriter::Send(std::span<const uint8_t> bytes, size_t* sent) {
    if (sent != nullptr) {
        *sent = 0;
    }
    if (broken_) {
        return false;
    }
    size_t allowed = bytes.size();
    if (close_after_) {
        allowed = static_cast<size_t>(std::min<uint64_t>(allowed, *close_after_ - bytes_sent_));
    }
    if (allowed > 0 && !socket_.SendAll(bytes.data(), allowed, wait_ms_)) {
        // SendAll does not say how much went out before it failed; nothing
        // more is sent on this connection either way.
        broken_ = true;
        return false;
    }
    bytes_sent_ += allowed;
    if (sent != nullptr) {
        *sent = allowed;
    }
    if (close_after_ && bytes_sent_ >= *close_after_) {
        // Shut down rather than close: the socket stays valid until the
        // connection's owner closes it, so Stop() may still wake it safely.
        socket_.Shutdown();
        broken_ = true;
        return allowed == bytes.size();
    }
    return true;
}

}  // namespace kestrel::sim
