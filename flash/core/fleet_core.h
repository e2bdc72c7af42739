// The state an UpgradeFleet shares with its workers. Fields are grouped by
// who touches them; the lock order is simple: nothing else is locked while
// `mutex` is held, and listener callbacks run after it is released.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "upgrade_fleet.h"

namespace kestrel::flash {

struct UpgradeFleet::Core {
    // --- Written by the controlling thread before workers start; read by
    // workers.
    std::atomic<FleetListener*> listener{nullptr};

    // --- Read without a lock by the window; changed by Start() and by
    // workers as they end.
    std::atomic<int> running_count{-1};
    // A copy of `stopping` that workers poll between packets without the lock.
    std::atomic<bool> stop_asked{false};

    // --- Under mutex.
    mutable std::mutex mutex;
    std::condition_variable changed;  // a worker ended, or a stop was asked
    std::vector<DeviceRow> rows;
    // Connected upload sockets, so that Stop() can wake their workers. A
    // worker removes its own before closing it.
    std::vector<platform::Socket*> sockets;
    bool stopping = false;
    int live_workers = 0;

    // --- Controlling thread only.
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::vector<Worker> workers;

    // Applies change to the row under the lock, then tells the listener when
    // a visible part changed (texts, colour, progress hundredth).
    void UpdateRow(int index, const std::function<void(DeviceRow&)>& change);
    // The per-packet case: only the progress, no texts copied.
    void UpdateProgress(int index, uint32_t progress);
    // Waits up to ms; true when a stop was asked (at once if it already was).
    bool WaitForStop(int ms);
    bool Stopping() const { return stop_asked.load(std::memory_order_relaxed); }
};

struct UpgradeJob {
    int row = 0;
    std::string ip;
    std::shared_ptr<const UpgradeImage> image;
};

// The worker thread's body: connect, announce, stream, wait for the verdict,
// write the row as it goes; ends by taking itself out of the running count.
void RunUpgradeWorker(std::shared_ptr<UpgradeFleet::Core> core, UpgradeOptions options,
                      UpgradeJob job, std::shared_ptr<std::atomic<bool>> ended);

}  // namespace kestrel::flash
