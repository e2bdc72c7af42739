#include "reconnect_worker.h"

#include <chrono>
#include <system_error>

namespace kestrel::client {

bool ReconnectWorker::Launch() {
    std::lock_guard<std::mutex> lock(mutex_);
    return LaunchLocked();
}

bool ReconnectWorker::LaunchLocked() {
    if (stopped_) {
        return false;
    }
    if (thread_.joinable()) {
        return true;
    }
    try {
        thread_ = std::thread(&ReconnectWorker::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

bool ReconnectWorker::Start(Attempt attempt) {
    return Ask(std::move(attempt), false);
}

bool ReconnectWorker::StartNow(Attempt attempt) {
    return Ask(std::move(attempt), true);
}

bool ReconnectWorker::Ask(Attempt attempt, bool now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!LaunchLocked()) {
        return false;
    }
    attempt_ = std::move(attempt);
    asked_ = true;
    now_ = now_ || now;
    wake_.notify_all();
    return true;
}

void ReconnectWorker::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    asked_ = false;
    now_ = false;
    ++cancels_;
    wake_.notify_all();
}

void ReconnectWorker::Stop() {
    std::thread finishing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        asked_ = false;
        now_ = false;
        ++cancels_;
        wake_.notify_all();
        finishing = std::move(thread_);
    }
    if (finishing.joinable()) {
        finishing.join();
    }
}

bool ReconnectWorker::Wait(int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return stopped_ || cancels_ != roundCancels_; });
}

bool ReconnectWorker::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return inRound_ || asked_;
}

void ReconnectWorker::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopped_ || asked_; });
        if (stopped_) {
            return;
        }
        roundCancels_ = cancels_;
        if (!now_) {
            wake_.wait_for(lock, std::chrono::milliseconds(waitMs_),
                           [this] { return stopped_ || now_ || cancels_ != roundCancels_; });
            if (stopped_ || cancels_ != roundCancels_) {
                continue;  // cancelled: only a round asked for since then runs
            }
        }
        // Breaks reported while waiting are handled by this round.
        asked_ = false;
        now_ = false;
        inRound_ = true;
        Attempt attempt = attempt_;
        lock.unlock();
        const Outcome outcome = attempt();
        lock.lock();
        inRound_ = false;
        if (outcome == Outcome::kRetry && cancels_ == roundCancels_) {
            asked_ = true;
        }
    }
}

}  // namespace kestrel::client
