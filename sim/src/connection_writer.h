// Everything a connection sends goes through here, so the byte-count faults
// (close after N bytes) apply to responses and stream bytes alike.
//
// Threading: used by the connection's own thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace platform {
class Socket;
}

namespace kestrel::sim {

class ConnectionWriter {
public:
    // close_after: shut the connection down once this many bytes went out.
    ConnectionWriter(platform::Socket& socket, std::optional<uint64_t> close_after, int wait_ms);

    // Sends as much of bytes as the budget allows; *sent (optional) gets the
    // count. false when not everything went out: a send error or time-out,
    // or the budget ran out. Once the budget is used up the connection is
    // shut down and Broken() turns true.
    bool Send(std::span<const uint8_t> bytes, size_t* sent = nullptr);
    uint64_t BytesSent() const { return bytes_sent_; }
    bool Broken() const { return broken_; }

private:
    platform::Socket& socket_;
    const std::optional<uint64_t> close_after_;
    const int wait_ms_;
    uint64_t bytes_sent_ = 0;
    bool broken_ = false;
};

}  // namespace kestrel::sim
