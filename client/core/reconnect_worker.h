// One channel's stream worker: it runs the channel's connect attempts off the
// GUI thread, one round at a time: a start's first connect at once, and after
// a stream break a restart attempt after a wait, again and again until the
// attempt reports that it is done.
//
// Threading: the object owns one thread, started by Launch (or by the first
// start) and kept, idle between rounds, until Stop joins it; so a start never
// waits for a thread to be made. Start (the protocol library's receiver
// thread after a break), StartNow and Cancel (the GUI thread) never wait for
// a round. A start while a round runs asks for one more round, with the
// newest attempt. Cancel wakes the waits of the round in progress and drops
// the rounds asked for; an attempt already running goes on, so it must find
// out by itself whether it is still wanted. Stop cancels, refuses every later
// start and joins: it waits for an attempt in progress (used when the device
// closes). The destructor stops. The attempt must not call Start, StartNow,
// Cancel or Stop.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

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

    // Starts the idle thread: false when stopped or it could not be made.
    bool Launch();
    // A round of attempt after the wait. False when stopped or no thread
    // could be started.
    bool Start(Attempt attempt);
    // A round of attempt at once; a round waiting to begin begins now.
    bool StartNow(Attempt attempt);
    // Ends the waits of the round in progress and drops the rounds asked for.
    void Cancel();
    // Cancels and joins; later starts are refused.
    void Stop();
    // Inside an attempt: waits up to milliseconds; false when the round was
    // cancelled or the worker stopped.
    bool Wait(int milliseconds);
    // A round runs or is asked for.
    bool Running() const;

    static constexpr int kDefaultWaitMs = 3000;

private:
    bool Ask(Attempt attempt, bool now);
    bool LaunchLocked();
    void Run();

    const int waitMs_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;         // guarded by mutex_
    Attempt attempt_;            // guarded by mutex_: the next round's attempt
    bool inRound_ = false;       // guarded by mutex_
    bool asked_ = false;         // guarded by mutex_: another round is asked for
    bool now_ = false;           // guarded by mutex_: ... without the wait
    bool stopped_ = false;       // guarded by mutex_
    uint64_t cancels_ = 0;       // guarded by mutex_: Cancel and Stop calls so far
    uint64_t roundCancels_ = 0;  // worker thread: cancels_ when its round began
};

}  // namespace kestrel::client
