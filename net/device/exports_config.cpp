// The configuration exports, one line each, generated from the declarative
// list in kestrel_net_config.h.
#include "config_call.h"
#include "export_guard.h"

namespace kestrel::net {
namespace {

int32_t RunConfigCall(QW_DVR_HANDLE handle, const ConfigCallInfo& info, const ConfigArgs& args) {
    return WithDevice(handle, [&](DvrDevice& device) {
        int32_t checked = CheckConfigArgs(info, args);
        return checked != QW_NET_OK ? checked : device.ConfigCall(info, args);
    });
}

}  // namespace
}  // namespace kestrel::net

using kestrel::net::ConfigArgs;
using kestrel::net::ConfigShape;

#define KN_SHAPE_SEL_SET ConfigShape::kSelectorArraySet
#define KN_SHAPE_SEL_GET ConfigShape::kSelectorArrayGet
#define KN_SHAPE_ARR_SET ConfigShape::kArraySet
#define KN_SHAPE_ARR_GET ConfigShape::kArrayGet
#define KN_SHAPE_REC_SET ConfigShape::kRecordSet
#define KN_SHAPE_VAL_SET ConfigShape::kValueSet
#define KN_SHAPE_REC_GET ConfigShape::kRecordGet
#define KN_SHAPE_KEY_GET ConfigShape::kKeyedGet
#define KN_SHAPE_KEY_SET ConfigShape::kKeyedSet
#define KN_SHAPE_ACTION ConfigShape::kAction

// How each shape's export arguments fill ConfigArgs.
#define KN_ARGS_SEL_SET    \
    ConfigArgs a;          \
    a.selector = selector; \
    a.first = array;       \
    a.count = count
#define KN_ARGS_SEL_GET    \
    ConfigArgs a;          \
    a.selector = selector; \
    a.first = array;       \
    a.count_io = count
#define KN_ARGS_ARR_SET \
    ConfigArgs a;       \
    a.first = array;    \
    a.count = count
#define KN_ARGS_ARR_GET \
    ConfigArgs a;       \
    a.first = array;    \
    a.count_io = count
#define KN_ARGS_REC_SET \
    ConfigArgs a;       \
    a.first = record
#define KN_ARGS_VAL_SET \
    ConfigArgs a;       \
    a.value = value
#define KN_ARGS_REC_GET \
    ConfigArgs a;       \
    a.first = record
#define KN_ARGS_KEY_GET \
    ConfigArgs a;       \
    a.first = input;    \
    a.second = output
#define KN_ARGS_KEY_SET \
    ConfigArgs a;       \
    a.first = first;    \
    a.second = second
#define KN_ARGS_ACTION ConfigArgs a

#define KN_DEFINE_CALL(name, shape, size1, size2, flags)                                           \
    extern "C" QW_NET_EXPORT int32_t QW_API name(QW_DVR_HANDLE device QW_SRDK_ARGS_##shape) {      \
        static constexpr kestrel::net::ConfigCallInfo kInfo{#name, KN_SHAPE_##shape, size1, size2, \
                                                            flags};                                \
        KN_ARGS_##shape;                                                                           \
        return kestrel::net::RunConfigCall(device, kInfo, a);                                      \
    }

QW_SRDK_CONFIG_CALLS(KN_DEFINE_CALL)
