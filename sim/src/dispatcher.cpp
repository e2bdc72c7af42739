#include <array>
#include <utility>

#include "command_handlers.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

// Later services add their command here.
constexpr std::array<std::pair<uint8_t, CommandHandler>, 6> kHandlers{{
    {kCommandLiveStart, &HandleLiveStart},
    {kCommandIdentify, &HandleIdentify},
    {kCommandReadConfig, &HandleReadConfig},
    {kCommandWriteConfig, &HandleWriteConfig},
    {kCommandLogin, &HandleLogin},
    {kCommandStreamSound, &HandleStreamSound},
}};

}  // namespace

SessionAction Dispatch(const Request& request, Session& session) {
    for (const auto& [command, handler] : kHandlers) {
        if (command == request.command) {
            return handler(request, session);
        }
    }
    return SendStandardResponse(session, kResultUnknownCommand) ? SessionAction::kContinue
                                                                : SessionAction::kClose;
}

}  // namespace kestrel::sim
