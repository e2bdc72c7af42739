#include "connection.h"

#include <system_error>

#include "command_handlers.h"
#include "connection_writer.h"
#include "request_reader.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

// A client that reads nothing for this long while a send waits is gone.
constexpr int kSendWaitMs = 10000;

}  // namespace

Connection::Connection(platform::Socket socket, ServerContext& server)
    : socket_(std::move(socket)), server_(server) {}

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
        Serve();
    } catch (...) {
        // Out of memory inside a handler: drop this connection only.
    }
    socket_.Shutdown();  // the client sees the close now, not when reaped
    finished_ = true;
}

void Connection::Serve() {
    const RecorderConfig& config = server_.config;
    ConnectionWriter writer(socket_, config.faults.close_after_bytes, kSendWaitMs);
    Session session{server_, socket_, writer};
    // A silent recorder keeps every connection until the client or Stop()
    // ends it, so it never times out a request.
    const int timeout_ms = config.faults.silent ? -1 : config.request_timeout_ms;
    RequestBlock block{};
    while (!writer.Broken()) {
        if (ReadRequestBlock(socket_, server_.stop, timeout_ms, &block) != ReadOutcome::kBlock) {
            return;
        }
        server_.observations.RecordRequest(block);
        const std::optional<Request> request = ParseRequest(block);
        if (!request) {
            return;  // not a request block: the stream is out of step, give up
        }
        if (config.faults.silent) {
            continue;
        }
        if (Dispatch(*request, session) == SessionAction::kClose) {
            return;
        }
    }
}

}  // namespace kestrel::sim
