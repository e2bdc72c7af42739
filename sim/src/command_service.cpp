// The command port's service: request blocks in, one handler per command.
#include "command_handlers.h"
#include "connection_writer.h"
#include "request_reader.h"
#include "services.h"

namespace kestrel::sim {
namespace {

// A client that reads nothing for this long while a send waits is gone.
constexpr int kSendWaitMs = 10000;

}  // namespace

void ServeCommandConnection(platform::Socket& socket, ServerContext& server) {
    const RecorderConfig& config = server.config;
    ConnectionWriter writer(socket, config.faults.close_after_bytes, kSendWaitMs);
    Session session{server, socket, writer};
    // A silent recorder keeps every connection until the client or Stop()
    // ends it, so it never times out a request.
    const int timeout_ms = config.faults.silent ? -1 : config.request_timeout_ms;
    RequestBlock block{};
    while (!writer.Broken()) {
        if (ReadRequestBlock(socket, server.stop, timeout_ms, &block) != ReadOutcome::kBlock) {
            return;
        }
        server.observations.RecordRequest(block);
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
