// The recorder families and models the library supports, and the type
// groups that decide its behaviour.
#pragma once

#include <cstdint>
#include <optional>

namespace kestrel::net {

struct RecorderType {
    int32_t type;
    std::optional<int32_t> subtype;  // absent: the caller's value is kept
};

// Maps the identification answer's family and model bytes to type codes;
// nullopt for a family or model the library does not support.
std::optional<RecorderType> LookupRecorderType(uint8_t family, uint8_t model);

// Types whose open runs the login check.
bool RequiresLogin(int32_t type);
// Types whose live-stream bytes are delivered to the caller.
bool IsLiveStreamType(int32_t type);

}  // namespace kestrel::net
