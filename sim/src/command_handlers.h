// One handler per command code. Each reads its body from the request,
// answers on the session's connection and says whether the connection goes
// on serving requests.
#pragma once

#include "command_block.h"
#include "session.h"

namespace kestrel::sim {

using CommandHandler = SessionAction (*)(const Request& request, Session& session);

SessionAction HandleIdentify(const Request& request, Session& session);     // 10
SessionAction HandleLogin(const Request& request, Session& session);        // 25
SessionAction HandleLiveStart(const Request& request, Session& session);    // 3
SessionAction HandleStreamSound(const Request& request, Session& session);  // 26
SessionAction HandleReadConfig(const Request& request, Session& session);   // 14
SessionAction HandleWriteConfig(const Request& request, Session& session);  // 15

// Runs the handler for request.command; unknown commands get a standard
// response with kResultUnknownCommand and the connection stays open.
SessionAction Dispatch(const Request& request, Session& session);

}  // namespace kestrel::sim
