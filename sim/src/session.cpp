#include "session.h"

#include "command_block.h"
#include "connection_writer.h"

namespace kestrel::sim {

bool SendStandardResponse(Session& session, int32_t result, std::span<const uint8_t> payload) {
    const size_t size = session.server.config.faults.oversized_responses
                            ? kOversizedResponseSize
                            : kStandardResponseHeaderSize + payload.size();
    return session.writer.Send(BuildStandardResponse(result, payload, size));
}

}  // namespace kestrel::sim
