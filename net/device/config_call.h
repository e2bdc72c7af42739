// One description of each configuration call, built from the declarative
// list in kestrel_net_config.h, and the argument rules of its shape.
#pragma once

#include <cstdint>

#include "kestrel_net.h"

namespace kestrel::net {

enum class ConfigShape {
    kSelectorArraySet,  // SEL_SET
    kSelectorArrayGet,  // SEL_GET
    kArraySet,          // ARR_SET
    kArrayGet,          // ARR_GET
    kRecordSet,         // REC_SET
    kValueSet,          // VAL_SET
    kRecordGet,         // REC_GET
    kKeyedGet,          // KEY_GET
    kKeyedSet,          // KEY_SET
    kAction,            // ACTION
};

struct ConfigCallInfo {
    const char* name;
    ConfigShape shape;
    int32_t size1;  // bytes of one record (or of the first input)
    int32_t size2;  // bytes of the second record, 0 when none
    int flags;      // QW_SRDK_F_*
};

// The export's arguments after the handle; which fields are used depends on
// the shape.
struct ConfigArgs {
    int32_t selector = 0;
    void* first = nullptr;        // array, record, input or first key
    void* second = nullptr;       // output or second input
    int32_t count = 0;            // set shapes
    int32_t* count_io = nullptr;  // get shapes: capacity in, records out
    int32_t value = 0;            // VAL_SET
};

// Largest array one call moves; far above any recorder's record counts, it
// keeps count * size inside 32 bits.
constexpr int32_t kMaxConfigArrayBytes = 16 * 1024 * 1024;

// QW_NET_OK, or QW_NET_ERR_BAD_ARGUMENT for a null pointer the shape needs,
// a negative count or an array too large to move.
int32_t CheckConfigArgs(const ConfigCallInfo& info, const ConfigArgs& args);

}  // namespace kestrel::net
