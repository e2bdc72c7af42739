// The device open call of a login, apart from the context, so that it can run
// off the GUI thread: what the call is given and what it reports.
#pragma once

#include <cstdint>
#include <string>

#include "kestrel_net.h"

namespace kestrel::client {

struct OpenRequest {
    std::string ip;
    int32_t mediaPort = 0;
    int32_t setupPort = 0;
    std::string user;
    std::string password;
};

struct OpenedRecorder {
    QW_DVR_HANDLE handle = nullptr;  // null when the open failed
    int32_t type = 0;
    int32_t subtype = 0;
    int32_t result = 0;  // the login level (9, 10, 11), or the reason of a failure
    UserRights rights{};
};

// QW_DVR_NET_Open_Device_Ex with the request. Any thread; blocks for as long
// as the library's connects and answers take.
OpenedRecorder OpenRecorder(const OpenRequest& request);

}  // namespace kestrel::client
