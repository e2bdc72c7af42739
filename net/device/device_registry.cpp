#include "device_registry.h"

#include <mutex>
#include <unordered_map>

namespace kestrel::net {

namespace {

struct Registry {
    std::mutex lock;
    std::unordered_map<QW_DVR_HANDLE, std::unique_ptr<DvrDevice>> devices;
};

// Never destroyed: exports may still run while the process unloads.
Registry& TheRegistry() {
    static Registry* registry = new Registry;
    return *registry;
}

}  // namespace

QW_DVR_HANDLE RegisterDevice(std::unique_ptr<DvrDevice> device) {
    QW_DVR_HANDLE handle = ToHandle(device.get());
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    registry.devices.emplace(handle, std::move(device));
    return handle;
}

DvrDevice* LookupDevice(QW_DVR_HANDLE handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.devices.find(handle);
    return it == registry.devices.end() ? nullptr : it->second.get();
}

std::unique_ptr<DvrDevice> UnregisterDevice(QW_DVR_HANDLE handle) {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> guard(registry.lock);
    auto it = registry.devices.find(handle);
    if (it == registry.devices.end()) {
        return nullptr;
    }
    std::unique_ptr<DvrDevice> device = std::move(it->second);
    registry.devices.erase(it);
    return device;
}

}  // namespace kestrel::net
