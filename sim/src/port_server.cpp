#include "port_server.h"

#include <new>
#include <system_error>

#include "stop_signal.h"

namespace kestrel::sim {
namespace {

constexpr int kListenBacklog = 64;
// Stop() wakes the accept by shutting the listener down; the slice bounds a
// missed wake-up and paces the reaping of finished connections.
constexpr int kAcceptSliceMs = 200;
constexpr int kAcceptErrorPauseMs = 50;

}  // namespace

PortServer::PortServer(ServerContext& server, PortService service)
    : server_(server), service_(service) {}

PortServer::~PortServer() {
    Stop();
}

bool PortServer::Start(std::string* error) {
    const RecorderConfig& config = server_.config;
    listener_ = platform::Socket::Tcp();
    if (!listener_.IsOpen() || !listener_.Bind(config.bind_address, service_.port)) {
        *error = std::string("cannot bind the ") + service_.name + " port " + config.bind_address +
                 ":" + std::to_string(service_.port) + " (error " +
                 std::to_string(platform::LastSocketError()) + ")";
        listener_.Close();
        return false;
    }
    port_ = listener_.LocalPort();
    if (service_.refuse) {
        listener_.Close();  // the port was free a moment ago; now nothing answers on it
        return true;
    }
    if (!listener_.Listen(kListenBacklog)) {
        *error =
            std::string("cannot listen on the ") + service_.name + " port " + std::to_string(port_);
        listener_.Close();
        return false;
    }
    try {
        accept_thread_ = std::thread(&PortServer::AcceptLoop, this);
    } catch (const std::system_error&) {
        *error = std::string("cannot start the ") + service_.name + " accept thread";
        listener_.Close();
        return false;
    }
    return true;
}

void PortServer::Stop() {
    std::list<std::unique_ptr<Connection>> connections;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const auto& connection : connections_) {
            connection->Wake();
        }
        connections.swap(connections_);
    }
    if (accept_thread_.joinable()) {
        listener_.Shutdown();
        accept_thread_.join();
    }
    listener_.Close();
    connections.clear();  // joins each connection's thread, then closes its socket
}

void PortServer::AcceptLoop() {
    while (!stopping_ && !server_.stop.Raised()) {
        ReapFinished();
        const platform::WaitResult ready = listener_.WaitReadable(kAcceptSliceMs);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        platform::Socket socket =
            ready == platform::WaitResult::kReady ? listener_.Accept() : platform::Socket();
        if (!socket.IsOpen()) {
            server_.stop.WaitFor(std::chrono::milliseconds(kAcceptErrorPauseMs));
            continue;
        }
        Admit(std::move(socket));
    }
}

void PortServer::Admit(platform::Socket socket) {
    std::lock_guard lock(mutex_);
    const bool full = connections_.size() >= static_cast<size_t>(server_.config.max_connections);
    if (stopping_ || full) {
        server_.observations.CountRejectedConnection(service_.counted_as);
        return;  // the socket closes on leaving
    }
    std::unique_ptr<Connection> connection;
    try {
        connection = std::make_unique<Connection>(std::move(socket), server_, service_.serve);
    } catch (const std::bad_alloc&) {
        server_.observations.CountRejectedConnection(service_.counted_as);
        return;
    }
    // Counted before the thread runs, so a test that got an answer also sees
    // the connection counted.
    server_.observations.CountAcceptedConnection(service_.counted_as);
    if (!connection->Start()) {
        server_.observations.CountRejectedConnection(service_.counted_as);
        return;
    }
    connections_.push_back(std::move(connection));
}

void PortServer::ReapFinished() {
    std::list<std::unique_ptr<Connection>> finished;
    {
        std::lock_guard lock(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            auto next = std::next(it);
            if ((*it)->Finished()) {
                finished.splice(finished.end(), connections_, it);
            }
            it = next;
        }
    }
    // Joined outside the lock; a finished thread joins at once.
}

}  // namespace kestrel::sim
