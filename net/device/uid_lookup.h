// Lookup of a recorder's address by its identifier at the identifier
// resolution server (KESTREL_UID_SERVER, see network_overrides.h): one
// 72-byte request on a fresh command link, one 72-byte answer.
//
// Threading: runs entirely on the caller's thread; blocks for the connect
// (at most the library's connect time-out) and up to three receives of 5 s.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestrel_net.h"

namespace kestrel::net {

constexpr size_t kUidMessageBytes = sizeof(DvrAddressRecord);
// The identifier field: offset 4 up to the last byte, which stays NUL.
constexpr size_t kUidIdentifierOffset = 4;
constexpr size_t kUidMaxIdentifierChars = kUidMessageBytes - kUidIdentifierOffset - 1;

// 1 with the server's answer in *record, else 0 with *record all zero (null
// arguments leave it untouched). Fails at once when no server is configured.
int32_t LookupDvrAddress(const char* identifier, DvrAddressRecord* record);

}  // namespace kestrel::net
