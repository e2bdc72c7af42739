// The address the headless search binds to when none is given.
#pragma once

#include <string>

namespace kestrel::flash {

// The first non-loopback IPv4 address of the machine's interfaces that are
// up, else "127.0.0.1".
std::string DefaultHostAddress();

}  // namespace kestrel::flash
