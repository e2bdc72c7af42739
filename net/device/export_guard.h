// Helpers shared by the export bodies: no exception ever leaves an export,
// and handles are checked in one place.
#pragma once

#include <new>
#include <system_error>

#include "device_registry.h"

namespace kestrel::net {

// Runs body and turns an escaping exception into a result code.
template <typename Body>
int32_t Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return QW_NET_ERR_NO_MEMORY;
    } catch (const std::system_error&) {
        return QW_NET_ERR_THREAD;
    } catch (...) {
        return QW_NET_ERR_NO_MEMORY;
    }
}

// Runs body(device) when handle names a live device, else the bad-argument code.
template <typename Body>
int32_t WithDevice(QW_DVR_HANDLE handle, Body&& body) noexcept {
    return Guarded([&]() -> int32_t {
        DvrDevice* device = LookupDevice(handle);
        if (device == nullptr) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return body(*device);
    });
}

inline bool ValidChannel(int32_t channel) {
    return channel >= 0 && channel < kChannelSlots;
}
inline bool NonEmpty(const char* text) {
    return text != nullptr && text[0] != '\0';
}

}  // namespace kestrel::net
