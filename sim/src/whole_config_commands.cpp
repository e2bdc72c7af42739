// Whole configuration read (command 14) and write (command 15).
//
// Read: a standard response whose payload is the LE size (total length 12),
// then size bytes of data. Write: the size is the LE word at request offset
// 40; a standard response accepts it, the client sends size bytes, and a
// second standard response confirms them.
#include <array>

#include "byte_order.h"
#include "command_handlers.h"
#include "connection_writer.h"
#include "request_reader.h"
#include "sim/result_codes.h"
#include "whole_config.h"

namespace kestrel::sim {
namespace {

constexpr size_t kWriteSizeOffset = 40;

SessionAction Continue(bool sent) {
    return sent ? SessionAction::kContinue : SessionAction::kClose;
}

}  // namespace

SessionAction HandleReadConfig(const Request&, Session& session) {
    const Faults& faults = session.server.config.faults;
    std::array<uint8_t, 4> size{};
    if (faults.announced_config_size) {
        // Announces a size and sends nothing after it.
        PutLE32(size, 0, *faults.announced_config_size);
        SendStandardResponse(session, kResultOk, size);
        return SessionAction::kClose;
    }
    const std::vector<uint8_t> data = session.server.whole_config.Read();
    PutLE32(size, 0, static_cast<uint32_t>(data.size()));
    return Continue(SendStandardResponse(session, kResultOk, size) && session.writer.Send(data));
}

SessionAction HandleWriteConfig(const Request& request, Session& session) {
    if (!request.Covers(kWriteSizeOffset + 4)) {
        return Continue(SendStandardResponse(session, kResultBadRequest));
    }
    const uint32_t size = request.BodyLE32(kWriteSizeOffset);
    if (size > WholeConfig::kMaxSize) {
        return Continue(SendStandardResponse(session, kResultBadRequest));
    }
    if (!SendStandardResponse(session, kResultOk)) {
        return SessionAction::kClose;
    }
    std::vector<uint8_t> data(size);
    const ServerContext& server = session.server;
    if (ReadExactly(session.socket, server.stop, DeadlineAfter(server.config.request_timeout_ms),
                    data) != ReadOutcome::kBlock) {
        return SessionAction::kClose;  // nothing half-written is kept
    }
    server.whole_config.Replace(std::move(data));
    return Continue(SendStandardResponse(session, kResultOk));
}

}  // namespace kestrel::sim
