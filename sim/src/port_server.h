// One listening TCP port of the simulator (the command port or the MCTP
// port): the listening socket, the accept thread and the accepted
// connections, at most RecorderConfig::max_connections at a time (more are
// accepted and closed at once, counted as rejected). Each connection's
// thread runs the port's service.
//
// Threading: Start() and Stop() from the simulator's controlling thread. The
// accept thread is owned here (started by Start(), joined by Stop()), and so
// are the connections (each owns its thread); finished connections are
// joined and freed by the accept thread as it goes, the rest by Stop().
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "connection.h"
#include "platform/socket.h"
#include "session.h"

namespace kestrel::sim {

struct PortService {
    const char* name = "";  // for error texts: "command", "MCTP"
    uint16_t port = 0;      // 0: an ephemeral port
    bool refuse = false;    // bind, then close again: connects are refused
    ServicePort counted_as = ServicePort::kCommand;
    ConnectionService serve = nullptr;
};

class PortServer {
public:
    PortServer(ServerContext& server, PortService service);
    ~PortServer();  // Stop()
    PortServer(const PortServer&) = delete;
    PortServer& operator=(const PortServer&) = delete;

    // Binds and listens (or, when refusing, binds and closes again). false
    // with *error.
    bool Start(std::string* error);
    // Wakes and joins every thread and closes every socket. Harmless when
    // not started or already stopped.
    void Stop();
    uint16_t Port() const { return port_; }

private:
    void AcceptLoop();
    void Admit(platform::Socket socket);
    void ReapFinished();

    ServerContext& server_;
    const PortService service_;
    platform::Socket listener_;  // accept thread uses it; Stop() may shut it down
    uint16_t port_ = 0;
    std::thread accept_thread_;  // runs AcceptLoop(); joined in Stop()

    std::atomic<bool> stopping_{false};  // set once, under mutex_, by Stop()
    std::mutex mutex_;                   // guards connections_ and the admission check
    std::list<std::unique_ptr<Connection>> connections_;
};

}  // namespace kestrel::sim
