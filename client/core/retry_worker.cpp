#include "retry_worker.h"

#include <chrono>
#include <utility>

namespace kestrel::client {

RetryWorker::RetryWorker(std::function<bool()> attempt, int pauseMs)
    : attempt_(std::move(attempt)), pauseMs_(pauseMs) {}

RetryWorker::~RetryWorker() {
    Stop();
}

void RetryWorker::Start() {
    std::thread finished;
    {
        std::lock_guard lock(mutex_);
        if (stopped_) {
            return;
        }
        if (running_) {
            again_ = true;
            return;
        }
        finished = std::move(thread_);
    }
    // The last round has left its loop; only its return is still to come.
    if (finished.joinable()) {
        finished.join();
    }
    std::lock_guard lock(mutex_);
    if (stopped_ || running_) {
        return;
    }
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void RetryWorker::Stop() {
    std::thread round;
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        again_ = false;
        round = std::move(thread_);
    }
    wake_.notify_all();
    if (round.joinable()) {
        round.join();
    }
}

void RetryWorker::Arm() {
    std::lock_guard lock(mutex_);
    stopped_ = false;
}

bool RetryWorker::Running() const {
    std::lock_guard lock(mutex_);
    return running_;
}

void RetryWorker::Run() {
    std::unique_lock lock(mutex_);
    do {
        again_ = false;
        for (int attempt = 0; attempt < kAttempts && !stopped_; ++attempt) {
            lock.unlock();
            const bool started = attempt_();
            lock.lock();
            if (started) {
                break;
            }
            if (attempt + 1 < kAttempts) {
                wake_.wait_for(lock, std::chrono::milliseconds(pauseMs_),
                               [this] { return stopped_; });
            }
        }
    } while (again_ && !stopped_);
    running_ = false;
}

}  // namespace kestrel::client
