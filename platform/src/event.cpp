// Auto- and manual-reset events over a mutex and condition variable.
#include "platform/event.h"

#include <chrono>

namespace platform {

Event::Event(Reset mode, bool initially_set) : mode_(mode), set_(initially_set) {}

void Event::Set() {
    // Notified under the lock: a waiter that returns may destroy the event at
    // once, so Set must be done with it by then.
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
    // An auto-reset event releases one waiter; waking all would only make the
    // others find it cleared again.
    if (mode_ == Reset::kAuto) {
        cv_.notify_one();
    } else {
        cv_.notify_all();
    }
}

void Event::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_;
}

bool Event::Wait(int timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto is_set = [this] { return set_; };
    if (timeout_ms < 0) {
        cv_.wait(lock, is_set);
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), is_set)) {
        return false;
    }
    if (mode_ == Reset::kAuto) {
        set_ = false;
    }
    return true;
}

}  // namespace platform
