// The disk format and firmware upload workers of a device: each runs on its
// own message thread, talks to the recorder on its own link and reports
// only through the device's NotifyTarget.
//
// Threading: Start*/Stop come from the caller's thread. A worker thread is
// owned by its Worker object: started with the start handshake, stopped
// with a quit message and a bounded wait (after which it is abandoned, its
// state kept alive until it returns). The busy flags are atomics set by the
// starter and cleared by the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "dvr_connection.h"
#include "kestrel_net.h"
#include "notify_target.h"
#include "platform/thread.h"

namespace kestrel::net {

// The remote name firmware is stored under.
constexpr char kFirmwareRemoteName[] = "/stm1/net_romfs.dvr";

class DeviceWorkers {
public:
    explicit DeviceWorkers(std::shared_ptr<NotifyTarget> notify) : notify_(std::move(notify)) {}
    ~DeviceWorkers();  // stops both workers
    DeviceWorkers(const DeviceWorkers&) = delete;
    DeviceWorkers& operator=(const DeviceWorkers&) = delete;

    int32_t StartFormat(const DvrConnection& target, const FormatDisk& disk);
    int32_t StartUpload(const DvrConnection& target, const std::string& path);
    void StopAll();

private:
    struct Shared;  // what a worker thread may still touch after being abandoned

    // Worker bodies: they touch nothing but their Shared state.
    static void RunFormat(platform::MessageThread& self, const std::shared_ptr<Shared>& shared);
    static void RunUpload(platform::MessageThread& self, const std::shared_ptr<Shared>& shared);

    std::shared_ptr<NotifyTarget> notify_;
    std::shared_ptr<Shared> format_;
    std::shared_ptr<Shared> upload_;
    std::unique_ptr<platform::MessageThread> format_thread_;
    std::unique_ptr<platform::MessageThread> upload_thread_;
    FormatDisk disk_{};
};

}  // namespace kestrel::net
