#include <array>
#include <utility>

#include "command_handlers.h"
#include "device_actions.h"
#include "file_commands.h"
#include "sim/result_codes.h"

namespace kestrel::sim {
namespace {

// Later services add their command here.
// The size follows the list, so adding a command touches only its own line.
constexpr std::pair<uint8_t, CommandHandler> kHandlers[] = {
    {kCommandLiveStart, &HandleLiveStart},
    {kCommandIdentify, &HandleIdentify},
    {kCommandReadConfig, &HandleReadConfig},
    {kCommandWriteConfig, &HandleWriteConfig},
    {kCommandLogin, &HandleLogin},
    {kCommandStreamSound, &HandleStreamSound},
    {kCommandFirmware, &HandleFirmware},
    {kCommandShutDown, &HandleShutDown},
    {kCommandFormat, &HandleFormat},
    {kCommandPtz, &HandlePtz},
    {kCommandTalkReceive, &HandleTalkReceive},
    {kCommandTalkSend, &HandleTalkSend},
    {kCommandDownload, &HandleDownload},
    {kCommandSearchFiles, &HandleSearchFiles},
    {kCommandCalendar, &HandleCalendar},
};

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
