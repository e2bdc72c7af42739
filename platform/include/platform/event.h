// Auto- and manual-reset events with timed waits.
//
// Threading: any thread may Set, Clear or Wait. A waiter released by Set()
// may destroy the event at once: Set() is done with it by then.
#pragma once

#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
public:
    enum class Reset { kAuto, kManual };
    explicit Event(Reset mode = Reset::kAuto, bool initially_set = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Clear();
    bool IsSet() const;
    // Waits until set or timeout_ms passed (negative: no limit). An auto-reset
    // event is cleared by the wait that it releases.
    bool Wait(int timeout_ms);

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    const Reset mode_;
    bool set_;
};

}  // namespace platform
