#include "connection.h"

#include <system_error>

namespace kestrel::sim {

Connection::Connection(platform::Socket socket, ServerContext& server, ConnectionService service)
    : socket_(std::move(socket)), server_(server), service_(service) {}

Connection::~Connection() {
    if (thread_.joinable()) {
        thread_.join();
    }
    socket_.Close();
}

bool Connection::Start() {
    try {
        thread_ = std::thread(&Connection::Run, this);
        return true;
    } catch (const std::system_error&) {
        socket_.Shutdown();
        finished_ = true;
        return false;
    }
}

void Connection::Wake() {
    socket_.Shutdown();
}

void Connection::Run() {
    try {
        service_(socket_, server_);
    } catch (...) {
        // Out of memory inside a handler: drop this connection only.
    }
    socket_.Shutdown();  // the client sees the close now, not when reaped
    finished_ = true;
}

}  // namespace kestrel::sim
