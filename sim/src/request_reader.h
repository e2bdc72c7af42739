// Bounded reads from a connection: one whole 500-byte request block, an
// exact number of bytes, or one piece of whatever arrived. Every read ends at
// its deadline, when the peer closes or when the simulator stops.
//
// Threading: the connection's own thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "command_block.h"

namespace platform {
class Socket;
}

namespace kestrel::sim {

class StopSignal;

enum class ReadOutcome { kBlock, kClosed, kTimedOut, kStopped, kFailed };

// None: wait until the peer closes or stop.
using ReadDeadline = std::optional<std::chrono::steady_clock::time_point>;

// timeout_ms from now; negative means no deadline.
ReadDeadline DeadlineAfter(int timeout_ms);

// One receive of at least one byte into buffer (*received gets the count).
// kBlock when bytes arrived; kClosed when the peer closed first.
ReadOutcome ReceiveSome(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                        std::span<uint8_t> buffer, size_t* received);

// Fills buffer completely. kClosed when the peer closed before, including
// in its middle.
ReadOutcome ReadExactly(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                        std::span<uint8_t> buffer);

// Waits at most timeout_ms for the whole block, counted from the call
// (negative: until the peer closes or stop).
ReadOutcome ReadRequestBlock(platform::Socket& socket, StopSignal& stop, int timeout_ms,
                             RequestBlock* block);

// For connections on which the client sends nothing (live streams,
// downloads): true when the client closed or the socket failed. Bytes it
// sends anyway are read and dropped. Never waits.
bool PeerClosed(platform::Socket& socket);

}  // namespace kestrel::sim
