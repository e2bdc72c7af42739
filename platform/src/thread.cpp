// MessageThread: a std::thread with a bounded message queue and a start
// handshake.
#include "platform/thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/event.h"

namespace platform {
namespace {

// Room kept for quit messages in a full queue, so a stop always gets through.
constexpr size_t kQuitReserve = 16;

thread_local const void* t_running_state = nullptr;

}  // namespace

// Shared by the owning object, the body's view and the thread itself; the
// last of them to go frees it, so abandoning a thread is memory-safe.
struct MessageThread::State {
    mutable std::mutex mutex;
    std::condition_variable message_ready;
    std::condition_variable body_done;
    // Guarded by mutex.
    std::deque<Message> queue;
    bool running = false;  // set by Start, cleared by the thread when the body returns
    std::thread thread;    // empty when never started, joined or abandoned
    // Written by the new thread before it signals started.
    std::atomic<uint64_t> thread_id{0};
    Event started{Event::Reset::kAuto};
};

MessageThread::MessageThread() : state_(std::make_shared<State>()) {}

MessageThread::MessageThread(BodyView, std::shared_ptr<State> state)
    : state_(std::move(state)), owns_thread_(false) {}

MessageThread::~MessageThread() {
    if (!owns_thread_) {
        return;
    }
    std::unique_lock<std::mutex> lock(state_->mutex);
    std::thread thread = std::move(state_->thread);
    lock.unlock();
    if (!thread.joinable()) {
        return;
    }
    Post(kQuitMessage, 1, 0);
    if (IsCurrent()) {
        thread.detach();
    } else {
        thread.join();
    }
}

bool MessageThread::Start(Body body) {
    if (!owns_thread_ || !body) {
        return false;
    }
    std::unique_lock<std::mutex> lock(state_->mutex);
    if (state_->running) {
        return false;
    }
    // The previous body has returned; its thread is ending or has ended.
    std::thread previous = std::move(state_->thread);
    if (previous.joinable()) {
        lock.unlock();
        previous.join();
        lock.lock();
    }
    state_->queue.clear();
    state_->running = true;
    state_->thread_id = 0;
    try {
        state_->thread = std::thread([state = state_, body = std::move(body)] {
            state->thread_id = CurrentThreadId();
            t_running_state = state.get();
            {
                MessageThread self(BodyView{}, state);
                state->started.Set();
                try {
                    body(self);
                } catch (...) {
                    // Ends the thread as a return would; an escaping exception
                    // would end the process.
                }
            }
            t_running_state = nullptr;
            std::lock_guard<std::mutex> done_lock(state->mutex);
            state->running = false;
            state->body_done.notify_all();
        });
    } catch (...) {
        state_->running = false;
        return false;
    }
    lock.unlock();
    state_->started.Wait(-1);
    return true;
}

bool MessageThread::Running() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running;
}

uint64_t MessageThread::ThreadId() const {
    return state_->thread_id;
}

bool MessageThread::Post(uint32_t id, uintptr_t w_param, intptr_t l_param) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    const size_t limit = kMessageQueueCapacity + (id == kQuitMessage ? kQuitReserve : 0);
    if (!state_->running || state_->queue.size() >= limit) {
        return false;
    }
    state_->queue.push_back(Message{id, w_param, l_param});
    state_->message_ready.notify_one();
    return true;
}

bool MessageThread::Peek(Message* out) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (state_->queue.empty()) {
        return false;
    }
    *out = state_->queue.front();
    state_->queue.pop_front();
    return true;
}

bool MessageThread::Get(Message* out, int timeout_ms) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    const auto has_message = [this] { return !state_->queue.empty(); };
    if (timeout_ms < 0) {
        state_->message_ready.wait(lock, has_message);
    } else if (!state_->message_ready.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                               has_message)) {
        return false;
    }
    *out = state_->queue.front();
    state_->queue.pop_front();
    return true;
}

bool MessageThread::Join(int timeout_ms) {
    if (IsCurrent()) {
        return false;
    }
    std::unique_lock<std::mutex> lock(state_->mutex);
    const auto ended = [this] { return !state_->running; };
    if (timeout_ms < 0) {
        state_->body_done.wait(lock, ended);
    } else if (!state_->body_done.wait_for(lock, std::chrono::milliseconds(timeout_ms), ended)) {
        return false;
    }
    std::thread thread = std::move(state_->thread);
    lock.unlock();
    if (thread.joinable()) {
        thread.join();
    }
    return true;
}

bool MessageThread::Stop(int timeout_ms) {
    Post(kQuitMessage, 1, 0);
    if (!IsCurrent() && Join(timeout_ms)) {
        return true;
    }
    std::unique_lock<std::mutex> lock(state_->mutex);
    std::thread thread = std::move(state_->thread);
    lock.unlock();
    if (thread.joinable()) {
        thread.detach();
    }
    return false;
}

bool MessageThread::IsCurrent() const {
    return t_running_state == state_.get();
}

uint64_t CurrentThreadId() {
    thread_local const uint64_t id = static_cast<uint64_t>(syscall(SYS_gettid));
    return id;
}

void SleepMs(int ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
