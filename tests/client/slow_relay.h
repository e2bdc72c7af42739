// A TCP relay on 127.0.0.1 in front of a simulated recorder, for the checks
// that a call returns before the recorder answers. Connections pass straight
// through until Hold; from then on new ones are accepted and left waiting,
// nothing read or answered, until each is released: passed on to the
// recorder, or closed (a refused start).
//
// Threading: any thread may call. The relay owns an accept thread and one
// thread per connection; the destructor closes everything and joins them.
// Every wait is bounded: a held connection is closed after 60 s, a relayed
// one ends when either side closes or the relay goes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace kestrel::client::test {

class SlowRelay {
public:
    SlowRelay(std::string host, uint16_t port);
    ~SlowRelay();
    SlowRelay(const SlowRelay&) = delete;
    SlowRelay& operator=(const SlowRelay&) = delete;

    uint16_t Port() const { return port_; }
    void Hold();
    // Connections accepted while holding and not yet released.
    size_t Held() const;
    // The oldest held connection goes on to the recorder, or is closed.
    void ReleaseOldest(bool forward);
    // Stops holding and closes every held connection.
    void RefuseAll();

private:
    enum class Verdict { kWait, kForward, kRefuse };
    struct Link {
        platform::Socket client;
        Verdict verdict = Verdict::kWait;  // guarded by the relay's mutex_
    };

    void AcceptLoop();
    void Serve(std::shared_ptr<Link> link);
    bool AwaitVerdict(Link& link);
    void Relay(platform::Socket& client, platform::Socket& upstream);

    const std::string host_;
    const uint16_t upstreamPort_;
    platform::Socket listener_;  // accept thread only, after construction
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::condition_variable released_;
    bool holding_ = false;                    // guarded by mutex_
    std::deque<std::shared_ptr<Link>> held_;  // guarded by mutex_
    std::vector<std::thread> links_;          // guarded by mutex_
    std::thread acceptor_;
};

}  // namespace kestrel::client::test
