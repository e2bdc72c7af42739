#include "reconnect_worker.h"

#include <chrono>
#include <system_error>

namespace kestrel::client {

bool ReconnectWorker::Start(Attempt attempt) {
    return Ask(std::move(attempt), false);
}

bool ReconnectWorker::StartNow(Attempt attempt) {
    return Ask(std::move(attempt), true);
}

bool ReconnectWorker::Ask(Attempt attempt, bool now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) {
        return false;
    }
    attempt_ = std::move(attempt);
    asked_ = true;
    now_ = now_ || now;
    if (running_) {
        wake_.notify_all();
        return true;
    }
    // The previous worker has finished its last round; only its return is left.
    if (thread_.joinable()) {
        thread_.join();
    }
    try {
        thread_ = std::thread(&ReconnectWorker::Run, this);
    } catch (const std::system_error&) {
        asked_ = false;
        now_ = false;
        return false;
    }
    running_ = true;
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
    return running_;
}

void ReconnectWorker::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (asked_ && !stopped_) {
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
        Attempt attempt = attempt_;
        lock.unlock();
        const Outcome outcome = attempt();
        lock.lock();
        if (outcome == Outcome::kRetry && cancels_ == roundCancels_) {
            asked_ = true;
        }
    }
    running_ = false;
}

}  // namespace kestrel::client
