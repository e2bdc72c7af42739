// Per-thread record of the last failing socket call, shared by the socket
// sources.
#pragma once

#include <cstdint>

namespace platform::detail {

// Stores error as the calling thread's last socket error.
void RememberSocketError(int error);
// Stores the current errno and returns -1, for one-line failure returns.
long FailWithErrno();

}  // namespace platform::detail
