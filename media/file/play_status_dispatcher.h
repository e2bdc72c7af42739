// The one play-status thread of the library: file handles queue play-info
// notifications here and this thread calls the callbacks, one at a time, in
// the order the records were queued.
//
// Ownership and lifetime: each dispatcher owns its thread, started by the
// constructor and stopped by Shutdown() or the destructor. Instance() is the
// process-wide dispatcher, created on first use and destroyed with the other
// statics at exit, where its destructor ends the thread (bounded wait).
//
// Threading: Post, PostTime, Drop, the waits and Pending may be called from
// any thread, also from a callback. A callback that throws loses only its
// own record. Shutdown and the destructor are called by one thread, not by
// a callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "kestrel_media.h"

namespace kestrel::media {

struct PlayStatusRecord {
    const void* owner = nullptr;  // Drop(owner) removes the record; usually the file handle
    QW_MEDIA_PLAYINFO_CALLBACK callback = nullptr;
    void* user = nullptr;
    int32_t code = 0;
    intptr_t value = 0;
    // Window-message target where the platform has window messages; kept
    // with the record, not used on this platform.
    uintptr_t notify_target = 0;
};

class PlayStatusDispatcher {
public:
    // How long the destructor waits for a callback still running.
    static constexpr int kShutdownWaitMs = 2000;

    PlayStatusDispatcher();
    ~PlayStatusDispatcher();
    PlayStatusDispatcher(const PlayStatusDispatcher&) = delete;
    PlayStatusDispatcher& operator=(const PlayStatusDispatcher&) = delete;

    static PlayStatusDispatcher& Instance();

    // Queues the record; false (nothing queued) when the thread does not run
    // or the record has no callback.
    bool Post(const PlayStatusRecord& record);
    // Queues a record whose value is a pointer to `time`: the dispatcher keeps
    // a copy with the record and passes its address, valid during the call,
    // so the caller's object need not outlive the queue.
    bool PostTime(const PlayStatusRecord& record, const QwMediaTime& time);

    // Removes the owner's queued records and, unless called on the
    // dispatcher's thread, waits until a call for that owner in progress has
    // returned. No call for the owner starts after Drop returns unless the
    // owner posts again.
    void Drop(const void* owner);

    // Waits until the queue is empty and no call runs; false on time-out
    // (negative timeout_ms: no limit) and at once on the dispatcher's thread.
    bool WaitIdle(int timeout_ms);
    // The same for the owner's records only: none queued, none being called.
    bool WaitDelivered(const void* owner, int timeout_ms);
    size_t Pending() const;
    bool Running() const;

    // Stops taking records, drops the queued ones and ends the thread,
    // waiting up to timeout_ms for a call in progress; past that the thread
    // is left to finish that call on its own (it keeps the shared state
    // alive). true when the thread had ended within the wait.
    bool Shutdown(int timeout_ms);

private:
    struct State;
    static void Run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace kestrel::media
