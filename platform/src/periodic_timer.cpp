// PeriodicTimer: one thread per running timer, ticking on a fixed schedule.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/clock.h"

namespace platform {
namespace {

thread_local const void* t_running_timer = nullptr;

}  // namespace

// Owned jointly by the timer object and its thread, so a run detached by a
// Stop() from inside the callback can still read it after the object is gone.
struct PeriodicTimer::State {
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by mutex. A run ends when stop is set or a later Start() has
    // moved generation on, so an old detached run never resumes.
    bool stop = true;
    uint64_t generation = 0;
    int active_runs = 0;  // runs whose thread has not finished, detached ones included
    std::condition_variable run_finished;
    std::thread thread;  // current run; joined or detached by the controlling side
};

PeriodicTimer::PeriodicTimer() : state_(std::make_shared<State>()) {}

PeriodicTimer::~PeriodicTimer() {
    Stop();
}

bool PeriodicTimer::Start(int period_ms, std::function<void()> callback) {
    if (period_ms <= 0 || !callback) {
        return false;
    }
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (!state_->stop) {
        return false;
    }
    const uint64_t generation = ++state_->generation;
    state_->stop = false;
    ++state_->active_runs;
    auto run = [state = state_, generation, period = std::chrono::milliseconds(period_ms),
                callback = std::move(callback)] {
        using Clock = std::chrono::steady_clock;
        t_running_timer = state.get();
        auto next = Clock::now() + period;
        std::unique_lock<std::mutex> run_lock(state->mutex);
        const auto ended = [&] { return state->stop || state->generation != generation; };
        while (!state->wake.wait_until(run_lock, next, ended)) {
            run_lock.unlock();
            try {
                callback();
            } catch (...) {
                // A throwing callback must not end the process; the next tick
                // runs as usual.
            }
            // Ticks stay on the schedule set at Start; ticks missed by a
            // callback that overran a whole period are dropped, not bunched.
            next += period;
            const auto now = Clock::now();
            if (next <= now) {
                next += period * ((now - next) / period + 1);
            }
            run_lock.lock();
        }
        t_running_timer = nullptr;
        --state->active_runs;
        state->run_finished.notify_all();
    };
    try {
        state_->thread = std::thread(std::move(run));
    } catch (...) {
        state_->stop = true;
        --state_->active_runs;
        return false;
    }
    return true;
}

void PeriodicTimer::Stop() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->stop = true;
    std::thread thread = std::move(state_->thread);
    lock.unlock();
    state_->wake.notify_all();
    if (t_running_timer == state_.get()) {
        // Called from the callback: waiting would wait for ourselves. The run
        // sees stop once the callback returns and ends on its own.
        if (thread.joinable()) {
            thread.detach();
        }
        return;
    }
    if (thread.joinable()) {
        thread.join();
    }
    // Also waits for a run detached earlier, or joined by a concurrent Stop(),
    // whose callback may still be running.
    lock.lock();
    state_->run_finished.wait(lock, [this] { return state_->active_runs == 0; });
}

bool PeriodicTimer::Running() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return !state_->stop;
}

}  // namespace platform
