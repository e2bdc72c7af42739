#include "stop_signal.h"

namespace kestrel::sim {

void StopSignal::Raise() {
    {
        std::lock_guard lock(mutex_);
        raised_ = true;
    }
    changed_.notify_all();
}

void StopSignal::Reset() {
    std::lock_guard lock(mutex_);
    raised_ = false;
}

bool StopSignal::Raised() const {
    std::lock_guard lock(mutex_);
    return raised_;
}

bool StopSignal::WaitUntil(Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [this] { return raised_; });
}

}  // namespace kestrel::sim
