// One channel's reconnect worker: after a stream break it waits, then runs the
// caller's restart attempt, again and again until the attempt reports that it
// is done or the worker is stopped.
//
// Threading: at most one worker thread per object runs at a time; the object
// owns it. Start may be called from any thread (the protocol library's
// receiver thread after a break); a break while the worker runs makes it try
// once more instead of starting a second thread. Stop (GUI thread) wakes the
// worker, which ends within one wait, joins it and refuses later starts until
// Arm. The destructor stops. The attempt must not call Start, Stop or Arm.
#pragma once

#include <functional>
#include <mutex>
#include <thread>

#include "platform/event.h"

namespace kestrel::client {

class ReconnectWorker {
public:
    // What one attempt reports.
    enum class Outcome { kRetry, kDone };
    // An attempt; it may call Wait to pause and must end when Wait says stop.
    using Attempt = std::function<Outcome()>;

    explicit ReconnectWorker(int waitMs = kDefaultWaitMs) : waitMs_(waitMs) {}
    ~ReconnectWorker() { Stop(); }
    ReconnectWorker(const ReconnectWorker&) = delete;
    ReconnectWorker& operator=(const ReconnectWorker&) = delete;

    // Allows starts again after Stop (the channel was started anew).
    void Arm();
    // Starts the worker with attempt, or, when one runs, asks it for one
    // more round. False when stopped or no thread could be started.
    bool Start(Attempt attempt);
    // Ends and joins the worker; later starts are refused until Arm.
    void Stop();
    // Waits up to milliseconds; false when the worker was told to stop.
    bool Wait(int milliseconds);
    bool Running() const;

    static constexpr int kDefaultWaitMs = 3000;

private:
    void Run();

    const int waitMs_;
    mutable std::mutex mutex_;
    std::thread thread_;
    platform::Event stopEvent_{platform::Event::Reset::kManual};
    Attempt attempt_;          // guarded by mutex_
    bool running_ = false;     // guarded by mutex_
    bool againAsked_ = false;  // guarded by mutex_
    bool stopped_ = false;     // guarded by mutex_
};

}  // namespace kestrel::client
