// Opening a device: resolve the host, identify the recorder, map its type,
// build the device object and log in.
#pragma once

#include <cstdint>

#include "kestrel_net.h"

namespace kestrel::net {

struct OpenRequest {
    const char* host = nullptr;
    int32_t command_port = 0;
    int32_t mctp_port = 0;
    const char* user = nullptr;
    const char* password = nullptr;
};

struct OpenOutputs {
    int32_t* type = nullptr;
    int32_t* subtype = nullptr;
    int32_t* result = nullptr;
    UserRights* rights = nullptr;
};

// The handle, or null with the reason in *outputs.result. Blocks for the
// identification and login exchanges.
QW_DVR_HANDLE OpenDevice(const OpenRequest& request, const OpenOutputs& outputs);

}  // namespace kestrel::net
