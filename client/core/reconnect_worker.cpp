#include "reconnect_worker.h"

#include <system_error>

namespace kestrel::client {

void ReconnectWorker::Arm() {
    std::lock_guard<std::mutex> lock(mutex_);
    stopped_ = false;
    stopEvent_.Clear();
}

bool ReconnectWorker::Start(Attempt attempt) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) {
        return false;
    }
    if (running_) {
        againAsked_ = true;
        return true;
    }
    // The previous worker has finished its last round; only its return is left.
    if (thread_.joinable()) {
        thread_.join();
    }
    attempt_ = std::move(attempt);
    againAsked_ = false;
    try {
        thread_ = std::thread(&ReconnectWorker::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    running_ = true;
    return true;
}

void ReconnectWorker::Stop() {
    std::thread finishing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        stopEvent_.Set();
        finishing = std::move(thread_);
    }
    if (finishing.joinable()) {
        finishing.join();
    }
}

bool ReconnectWorker::Wait(int milliseconds) {
    return !stopEvent_.Wait(milliseconds);
}

bool ReconnectWorker::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

void ReconnectWorker::Run() {
    for (;;) {
        const bool go = Wait(waitMs_);
        {
            // Breaks reported while waiting are handled by this round.
            std::lock_guard<std::mutex> lock(mutex_);
            againAsked_ = false;
        }
        const Outcome outcome = go ? attempt_() : Outcome::kDone;
        std::lock_guard<std::mutex> lock(mutex_);
        // A break reported while this round ran needs another round.
        if (outcome == Outcome::kDone && (!againAsked_ || stopped_)) {
            running_ = false;
            return;
        }
        againAsked_ = false;
    }
}

}  // namespace kestrel::client
