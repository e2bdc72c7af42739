// Process-wide state of the protocol library, set up when it is loaded.
#pragma once

#include <cstdint>

namespace kestrel::net {

// Time-out of every TCP connect of the command protocol.
constexpr int kConnectTimeoutMs = 10000;
// How long a stopping worker gets before it is abandoned.
constexpr int kWorkerStopWaitMs = 10000;

// QW_DVR_NET_Init / QW_DVR_NET_Cleanup bodies: start the socket layer once.
int32_t StartSocketsOnce();
int32_t StopSocketsIfStarted();

}  // namespace kestrel::net
