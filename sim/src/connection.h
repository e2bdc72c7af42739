// One accepted client connection and the thread that serves it with its
// port's service (the command protocol or MCTP).
//
// Threading: the connection's thread is owned by this object: started by
// Start(), joined by the destructor. Wake() may be called from any thread
// (it only shuts the socket down); everything else belongs to the thread.
// The socket is closed by the destructor, after the join, never by the
// thread, so Wake() never touches a closed or reused descriptor.
#pragma once

#include <atomic>
#include <thread>

#include "platform/socket.h"
#include "session.h"

namespace kestrel::sim {

// What a connection's thread runs: serves the peer on socket until done.
// The connection shuts the socket down when it returns. May throw (out of
// memory): only that connection ends.
using ConnectionService = void (*)(platform::Socket& socket, ServerContext& server);

class Connection {
public:
    Connection(platform::Socket socket, ServerContext& server, ConnectionService service);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // false when the thread could not be created (the socket is shut down).
    bool Start();
    void Wake();
    // The thread has returned; the destructor will not block.
    bool Finished() const { return finished_; }

private:
    void Run();

    platform::Socket socket_;
    ServerContext& server_;
    const ConnectionService service_;
    std::atomic<bool> finished_{false};
    std::thread thread_;  // runs Run(); joined in the destructor
};

}  // namespace kestrel::sim
