// The one thread that restarts a broken transfer: a round makes up to
// kAttempts attempts, kPauseMs apart, until one succeeds, and a stop request
// ends it at once, also in the middle of a pause.
//
// Threading: Start from any thread (the protocol library's download thread
// asks for a round when a transfer breaks); Stop and Arm from the owner's
// (GUI) thread. The attempt runs on the worker's thread and must not call
// Start, Stop or Arm. Stop waits for an attempt in progress, so an attempt
// must end within a bounded time.
//
// Lifetime: the thread belongs to the worker. A finished round's thread is
// joined by the next Start or by Stop; the destructor stops. Never detached.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kestrel::client {

class RetryWorker {
public:
    static constexpr int kAttempts = 5;
    static constexpr int kPauseMs = 5000;

    // attempt: true when the transfer runs again.
    explicit RetryWorker(std::function<bool()> attempt, int pauseMs = kPauseMs);
    ~RetryWorker();  // Stop()
    RetryWorker(const RetryWorker&) = delete;
    RetryWorker& operator=(const RetryWorker&) = delete;

    // Starts a round, or asks a running one for another after it; nothing
    // after Stop until Arm.
    void Start();
    // Wakes a round, waits until it has ended and refuses rounds until Arm.
    void Stop();
    void Arm();
    bool Running() const;

private:
    void Run();

    const std::function<bool()> attempt_;
    const int pauseMs_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;  // guarded by mutex_
    bool running_ = false;  // guarded by mutex_
    bool again_ = false;    // guarded by mutex_: a break arrived during a round
    std::thread thread_;    // guarded by mutex_
};

}  // namespace kestrel::client
