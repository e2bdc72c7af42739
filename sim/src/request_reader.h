// Reads one whole 500-byte request block from a connection.
//
// Threading: the connection's own thread.
#pragma once

#include "command_block.h"

namespace platform {
class Socket;
}

namespace kestrel::sim {

class StopSignal;

enum class ReadOutcome { kBlock, kClosed, kTimedOut, kStopped, kFailed };

// Waits at most timeout_ms for the whole block, counted from the call
// (negative: until the peer closes or stop). kClosed when the peer closed
// before the block was complete, including in its middle.
ReadOutcome ReadRequestBlock(platform::Socket& socket, StopSignal& stop, int timeout_ms,
                             RequestBlock* block);

}  // namespace kestrel::sim
