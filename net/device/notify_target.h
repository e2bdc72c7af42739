// Where a device's upload and format workers report their progress.
//
// Threading: Set is called from the caller's thread, Send from the worker
// threads; a small lock guards the target and is not held while it is used.
#pragma once

#include <cstdint>
#include <mutex>

#include "kestrel_net.h"

namespace kestrel::net {

class NotifyTarget {
public:
    void Set(void* window, uint32_t message, DeviceNotifyCallback callback, void* user);
    void Send(int32_t code, int32_t value);

private:
    std::mutex lock_;
    void* window_ = nullptr;
    uint32_t message_ = 0;
    DeviceNotifyCallback callback_ = nullptr;
    void* user_ = nullptr;
};

}  // namespace kestrel::net
