#include "device_open.h"

#include <memory>
#include <string>

#include "device_probe.h"
#include "device_registry.h"
#include "host_address.h"
#include "recorder_types.h"

namespace kestrel::net {

namespace {

constexpr int32_t kUserLevel = 9;
constexpr int32_t kAdminLevels[] = {10, 11};

bool IsLoginLevel(int32_t result) {
    return result == kUserLevel || result == kAdminLevels[0] || result == kAdminLevels[1];
}

void Report(int32_t* out, int32_t value) {
    if (out != nullptr) {
        *out = value;
    }
}

}  // namespace

QW_DVR_HANDLE OpenDevice(const OpenRequest& request, const OpenOutputs& outputs) {
    if (request.host == nullptr || request.host[0] == '\0' || request.command_port <= 0) {
        Report(outputs.result, QW_NET_ERR_BAD_ARGUMENT);
        return nullptr;
    }
    std::string address;
    int32_t resolved = ResolveHostAddress(request.host, &address);
    if (resolved != QW_NET_OK) {
        Report(outputs.result, resolved);
        return nullptr;
    }

    Identity identity;
    {
        DeviceProbe probe(address, request.command_port);
        int32_t identified = probe.Identify(&identity);
        if (identified != QW_NET_OK) {
            Report(outputs.result, identified);
            return nullptr;
        }
    }
    std::optional<RecorderType> type = LookupRecorderType(identity.family, identity.model);
    if (!type) {
        Report(outputs.result, QW_NET_ERR_UNSUPPORTED_TYPE);
        return nullptr;
    }
    Report(outputs.type, type->type);
    if (type->subtype) {
        Report(outputs.subtype, *type->subtype);
    }
    int32_t subtype = type->subtype.value_or(outputs.subtype != nullptr ? *outputs.subtype : 0);

    auto device = std::make_unique<DvrDevice>();
    device->Connect(address, request.command_port);
    device->SetTypes(type->type, subtype);
    device->SetMctpSettings(address, request.mctp_port, request.user, request.password);

    int32_t result = QW_NET_OK;
    if (RequiresLogin(type->type)) {
        result = device->CheckLogin(request.user, request.password, outputs.rights);
        if (!IsLoginLevel(result)) {
            Report(outputs.result, result);
            return nullptr;
        }
    }
    Report(outputs.result, result);
    return RegisterDevice(std::move(device));
}

}  // namespace kestrel::net
