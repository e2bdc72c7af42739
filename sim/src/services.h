// The services a simulated recorder runs on its TCP ports; see
// ConnectionService.
//
// Threading: each call runs on the thread of the connection it serves and
// returns when that connection is done.
#pragma once

#include "session.h"

namespace platform {
class Socket;
}

namespace kestrel::sim {

// Command port: 500-byte request blocks, answered until the peer closes,
// the request time-out passes or a handler ends the connection.
void ServeCommandConnection(platform::Socket& socket, ServerContext& server);

// MCTP port: one request (header block and Content-Length body), one answer,
// then the connection ends, as every MCTP call uses its own connection.
void ServeMctpConnection(platform::Socket& socket, ServerContext& server);

}  // namespace kestrel::sim
