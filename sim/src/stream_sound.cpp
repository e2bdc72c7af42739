// Stream sound (command 26): switches a running stream's audio records on or
// off. Arrives on its own connection and names the stream by the identifier
// its live start handed out.
#include "command_handlers.h"
#include "sim/result_codes.h"
#include "stream_registry.h"

namespace kestrel::sim {
namespace {

constexpr size_t kSoundIdWord1 = 20;
constexpr size_t kSoundIdWord2 = 24;
constexpr size_t kSoundAction = 28;  // LE 0 open, 1 close
constexpr uint32_t kSoundOpen = 0;
constexpr uint32_t kSoundClose = 1;

int32_t SwitchSound(const Request& request, StreamRegistry& streams) {
    if (!request.Covers(kSoundAction + 4)) {
        return kResultBadRequest;
    }
    const uint32_t action = request.BodyLE32(kSoundAction);
    if (action != kSoundOpen && action != kSoundClose) {
        return kResultBadRequest;
    }
    // The words come back as the start response carried them: LE both ways.
    const StreamId id{request.BodyLE32(kSoundIdWord1), request.BodyLE32(kSoundIdWord2)};
    return streams.SetSound(id, action == kSoundOpen) ? kResultOk : kResultUnknownStreamId;
}

}  // namespace

SessionAction HandleStreamSound(const Request& request, Session& session) {
    const int32_t result = SwitchSound(request, session.server.streams);
    return SendStandardResponse(session, result) ? SessionAction::kContinue : SessionAction::kClose;
}

}  // namespace kestrel::sim
