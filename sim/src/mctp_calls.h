// The configuration calls the MCTP service answers. The table is built from
// the declarative list the client library is built from
// (QW_SRDK_CONFIG_CALLS in kestrel_net_config.h), so every name, shape and
// record size is written once for both sides.
//
// Threading: a constant table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrel::sim {

// The shapes of the list (SEL_SET, SEL_GET, ...): which segments a request
// carries and which an answer carries.
enum class CallShape {
    kSelectorArraySet,  // selector, array, count -> none
    kSelectorArrayGet,  // selector, capacity     -> array, count
    kArraySet,          // array, count           -> none
    kArrayGet,          // capacity (or nothing)  -> array, count
    kRecordSet,         // record                 -> none
    kValueSet,          // a value's low bytes    -> none
    kRecordGet,         // nothing                -> record
    kKeyedGet,          // input                  -> output
    kKeyedSet,          // first, second          -> none
    kAction,            // nothing                -> nothing
};

struct CallInfo {
    std::string_view name;
    CallShape shape;
    size_t size1;  // bytes of one record, or of the first input
    size_t size2;  // bytes of the second record (keyed shapes), else 0
    int flags;     // QW_SRDK_F_*
};

std::span<const CallInfo> ConfigCalls();
// nullptr for a name that is not a configuration call.
const CallInfo* FindConfigCall(std::string_view name);

// True when the request's segments are exactly what the call's shape sends:
// their number, and each one's size (an array's size is the count word's
// value times the record size).
bool RequestFitsShape(const CallInfo& call, std::span<const std::string_view> segments);

// A little-endian 32-bit word at the start of a segment of at least 4 bytes.
uint32_t SegmentWord(std::string_view segment);

}  // namespace kestrel::sim
