#include "config_call.h"

namespace kestrel::net {

namespace {

bool CountFits(int32_t count, int32_t record_size) {
    return count >= 0 && record_size > 0 &&
           static_cast<int64_t>(count) * record_size <= kMaxConfigArrayBytes;
}

}  // namespace

int32_t CheckConfigArgs(const ConfigCallInfo& info, const ConfigArgs& args) {
    const bool second_optional = (info.flags & QW_SRDK_F_OPT_ARG) != 0;
    bool ok = true;
    switch (info.shape) {
        case ConfigShape::kSelectorArraySet:
        case ConfigShape::kArraySet:
            ok = args.first != nullptr && CountFits(args.count, info.size1);
            break;
        case ConfigShape::kSelectorArrayGet:
        case ConfigShape::kArrayGet:
            ok = args.first != nullptr && args.count_io != nullptr &&
                 CountFits(*args.count_io, info.size1);
            break;
        case ConfigShape::kRecordSet:
        case ConfigShape::kRecordGet:
            ok = args.first != nullptr;
            break;
        case ConfigShape::kKeyedGet:
        case ConfigShape::kKeyedSet:
            ok = args.first != nullptr && (args.second != nullptr || second_optional);
            break;
        case ConfigShape::kValueSet:
        case ConfigShape::kAction:
            break;
    }
    return ok ? QW_NET_OK : QW_NET_ERR_BAD_ARGUMENT;
}

}  // namespace kestrel::net
