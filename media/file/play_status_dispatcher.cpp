#include "play_status_dispatcher.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>

namespace kestrel::media {

struct PlayStatusDispatcher::State {
    struct Entry {
        PlayStatusRecord record;
        bool has_time = false;
        QwMediaTime time{};
    };

    mutable std::mutex lock;
    std::condition_variable work;     // queue filled or stopping
    std::condition_variable settled;  // a call returned or the thread ended
    std::deque<Entry> queue;
    bool accepting = false;
    bool stopping = false;
    bool ended = false;
    bool calling = false;
    const void* calling_owner = nullptr;
    std::thread::id thread_id;

    bool OnThread() const { return std::this_thread::get_id() == thread_id; }
};

namespace {

bool WaitFor(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, int timeout_ms,
             const auto& done) {
    if (timeout_ms < 0) {
        cv.wait(lock, done);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(timeout_ms), done);
}

}  // namespace

PlayStatusDispatcher::PlayStatusDispatcher() : state_(std::make_shared<State>()) {
    std::lock_guard guard(state_->lock);
    try {
        thread_ = std::thread(Run, state_);
        state_->thread_id = thread_.get_id();
        state_->accepting = true;
    } catch (const std::system_error&) {
        state_->ended = true;  // no thread: Post refuses every record
    }
}

PlayStatusDispatcher::~PlayStatusDispatcher() {
    Shutdown(kShutdownWaitMs);
}

PlayStatusDispatcher& PlayStatusDispatcher::Instance() {
    static PlayStatusDispatcher instance;
    return instance;
}

void PlayStatusDispatcher::Run(const std::shared_ptr<State>& state) {
    std::unique_lock guard(state->lock);
    for (;;) {
        state->work.wait(guard, [&] { return state->stopping || !state->queue.empty(); });
        if (state->stopping) {
            break;
        }
        State::Entry entry = std::move(state->queue.front());
        state->queue.pop_front();
        state->calling = true;
        state->calling_owner = entry.record.owner;
        guard.unlock();

        const QwPlayInfo info{entry.record.code, entry.has_time
                                                     ? reinterpret_cast<intptr_t>(&entry.time)
                                                     : entry.record.value};
        try {
            entry.record.callback(entry.record.user, &info);
        } catch (...) {
            // The caller's fault; the records behind it are still delivered.
        }

        guard.lock();
        state->calling = false;
        state->calling_owner = nullptr;
        state->settled.notify_all();
    }
    state->ended = true;
    state->settled.notify_all();
}

bool PlayStatusDispatcher::Post(const PlayStatusRecord& record) {
    if (record.callback == nullptr) {
        return false;
    }
    std::lock_guard guard(state_->lock);
    if (!state_->accepting) {
        return false;
    }
    state_->queue.push_back(State::Entry{record, false, {}});
    state_->work.notify_one();
    return true;
}

bool PlayStatusDispatcher::PostTime(const PlayStatusRecord& record, const QwMediaTime& time) {
    if (record.callback == nullptr) {
        return false;
    }
    std::lock_guard guard(state_->lock);
    if (!state_->accepting) {
        return false;
    }
    state_->queue.push_back(State::Entry{record, true, time});
    state_->work.notify_one();
    return true;
}

void PlayStatusDispatcher::Drop(const void* owner) {
    std::unique_lock guard(state_->lock);
    std::erase_if(state_->queue,
                  [owner](const State::Entry& entry) { return entry.record.owner == owner; });
    if (state_->OnThread()) {
        return;  // the call in progress is the caller itself
    }
    state_->settled.wait(guard, [&] {
        return !(state_->calling && state_->calling_owner == owner) || state_->ended;
    });
}

bool PlayStatusDispatcher::WaitIdle(int timeout_ms) {
    std::unique_lock guard(state_->lock);
    if (state_->OnThread()) {
        return false;
    }
    return WaitFor(state_->settled, guard, timeout_ms,
                   [&] { return (state_->queue.empty() && !state_->calling) || state_->ended; });
}

bool PlayStatusDispatcher::WaitDelivered(const void* owner, int timeout_ms) {
    std::unique_lock guard(state_->lock);
    if (state_->OnThread()) {
        return false;
    }
    return WaitFor(state_->settled, guard, timeout_ms, [&] {
        const bool queued = std::ranges::any_of(state_->queue, [owner](const State::Entry& entry) {
            return entry.record.owner == owner;
        });
        return (!queued && !(state_->calling && state_->calling_owner == owner)) || state_->ended;
    });
}

size_t PlayStatusDispatcher::Pending() const {
    std::lock_guard guard(state_->lock);
    return state_->queue.size();
}

bool PlayStatusDispatcher::Running() const {
    std::lock_guard guard(state_->lock);
    return state_->accepting;
}

bool PlayStatusDispatcher::Shutdown(int timeout_ms) {
    if (!thread_.joinable()) {
        return true;
    }
    bool ended = false;
    {
        std::unique_lock guard(state_->lock);
        if (state_->OnThread()) {
            // A callback cannot wait for its own thread: let it end after this call.
            state_->accepting = false;
            state_->stopping = true;
            state_->queue.clear();
            thread_.detach();
            return false;
        }
        state_->accepting = false;
        state_->stopping = true;
        state_->queue.clear();
        state_->work.notify_all();
        ended = WaitFor(state_->settled, guard, timeout_ms, [&] { return state_->ended; });
    }
    if (ended) {
        thread_.join();
    } else {
        thread_.detach();
    }
    return ended;
}

}  // namespace kestrel::media
