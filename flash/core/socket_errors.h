// Socket error texts shown in the upgrade tool's messages. The texts are
// keyed by the tool's historical error codes (10061 for a refused
// connection, ...); POSIX error numbers are mapped to those codes here and
// nowhere else.
#pragma once

#include <cstdint>

namespace kestrel::flash {

constexpr uint32_t kSocketErrorUnknown = 0xFFFFFFFF;

// The code for a POSIX errno value; kSocketErrorUnknown when none fits.
uint32_t SocketErrorCode(int posix_error);
// The text for a code; "Socket unknown error" for codes without one.
const char* SocketErrorText(uint32_t code);
// Both steps at once, for messages built right after a failed call.
const char* SocketErrorTextForErrno(int posix_error);

}  // namespace kestrel::flash
