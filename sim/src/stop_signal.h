// The simulator's "stop now" flag with waits that it cuts short, so paced
// senders and idle loops end at once when the simulator stops.
//
// Threading: any thread may raise, test or wait.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kestrel::sim {

class StopSignal {
public:
    using Clock = std::chrono::steady_clock;

    void Raise();
    void Reset();
    bool Raised() const;
    // true when raised before the deadline (or already raised).
    bool WaitUntil(Clock::time_point deadline);
    bool WaitFor(std::chrono::milliseconds duration) { return WaitUntil(Clock::now() + duration); }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool raised_ = false;  // guarded by mutex_
};

}  // namespace kestrel::sim
