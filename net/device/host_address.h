// Turns the host text a caller gives into a dotted IPv4 address.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel::net {

enum class HostTextKind { kAddress, kHostName, kBad };

// Strips an optional "scheme://" prefix and classifies what remains. For an
// address, *normalised receives "%d.%d.%d.%d"; for a host name, the name.
HostTextKind ClassifyHostText(const std::string& text, std::string* normalised);

// Accepts "a.b.c.d" (each part 0..255, leading zeros allowed, not more than
// two parts 0) or a host name, optionally preceded by "scheme://". Writes the
// normalised dotted text and returns 0, QW_NET_ERR_BAD_ADDRESS or
// QW_NET_ERR_RESOLVE.
int32_t ResolveHostAddress(const std::string& text, std::string* dotted);

}  // namespace kestrel::net
