// Threads that own a message queue, with the start handshake and the
// quit-then-wait stop rule that the libraries' workers follow.
//
// Threading: Post() may be called from any thread; Peek()/Get() only from the
// thread that runs the body. The queue exists before the body runs, so a
// message posted right after Start() returns is never lost. Start(), Join(),
// Stop() and the destructor are called by one controlling thread at a time.
//
// The body receives a MessageThread that refers to the same queue but owns no
// thread; it stays valid for the whole body, even when the owning object
// abandoned the thread (Stop time-out) and has been destroyed since.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

struct Message {
    uint32_t id = 0;
    uintptr_t w_param = 0;
    intptr_t l_param = 0;
};

constexpr uint32_t kQuitMessage = 0x0012;  // same number as the Windows quit message
// Messages a queue holds; Post() refuses more (the Windows queue limit).
// kQuitMessage is still accepted into a full queue.
constexpr size_t kMessageQueueCapacity = 10000;

class MessageThread {
public:
    using Body = std::function<void(MessageThread& self)>;

    MessageThread();
    // If the body is still running on a thread this object owns, posts
    // kQuitMessage (w_param 1) and waits for the body without limit; a body
    // that ignores quit therefore blocks here: call Stop(bound) first when
    // that can happen. A thread already abandoned by Stop() is not waited for.
    // On the body's own thread it detaches instead of waiting.
    ~MessageThread();
    MessageThread(const MessageThread&) = delete;
    MessageThread& operator=(const MessageThread&) = delete;

    // Starts body on a new thread and returns once that thread has signalled
    // that its queue is ready. false when the thread could not be created or
    // a body is still running (an abandoned one included). Messages left from
    // an earlier run are discarded.
    bool Start(Body body);

    bool Running() const;       // started and body not yet returned
    uint64_t ThreadId() const;  // 0 before Start

    // Any thread. false when no body is running or the queue is full.
    bool Post(uint32_t id, uintptr_t w_param = 0, intptr_t l_param = 0);
    // Body thread: take the next message without waiting / waiting up to
    // timeout_ms (negative: no limit).
    bool Peek(Message* out);
    bool Get(Message* out, int timeout_ms);

    // Waits for the body to return; false on time-out. On the body's own
    // thread it returns false at once.
    bool Join(int timeout_ms);
    // Posts kQuitMessage with w_param 1, waits up to timeout_ms; on time-out
    // the thread is abandoned (detached: POSIX has no safe way to kill it, and
    // its shared state stays alive until it returns). Returns true when the
    // thread ended within the wait. On the body's own thread it posts quit,
    // detaches and returns false.
    bool Stop(int timeout_ms);

    // True when called on the thread this object runs.
    bool IsCurrent() const;

private:
    struct State;
    struct BodyView {};
    // The object handed to the body: shares state, owns no thread.
    MessageThread(BodyView, std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    bool owns_thread_ = true;
};

// Stable identifier of the calling thread (the kernel thread id on Linux).
uint64_t CurrentThreadId();
void SleepMs(int ms);

}  // namespace platform
