// The short-lived device object of an open call: one command link and the
// identification request that tells the recorder's family and model.
#pragma once

#include <cstdint>
#include <string>

#include "dvr_connection.h"
#include "recorder_answers.h"

namespace kestrel::net {

class DeviceProbe {
public:
    DeviceProbe(const std::string& host, int command_port);
    ~DeviceProbe();

    // Command 10 on the probe's link: 0 with *identity filled, or
    // QW_NET_ERR_IDENTIFY_CONNECT / QW_NET_ERR_RESPONSE.
    int32_t Identify(Identity* identity);

private:
    DvrConnection link_;
};

}  // namespace kestrel::net
