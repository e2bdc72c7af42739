#include "discovery.h"

#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "kestrel_net_codes.h"
#include "network_overrides.h"
#include "platform/socket.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {

using Clock = std::chrono::steady_clock;

// 0x0406 and 4 as little-endian 16-bit values.
constexpr std::array<uint8_t, 4> kSearchRequest = {0x06, 0x04, 0x04, 0x00};
constexpr size_t kReceiveBytes = 1024;
constexpr int32_t kInfoLength = sizeof(SearchDevInfo);

// Room for the answers of many recorders arriving at once; the kernel keeps
// the request's send buffer small anyway.
constexpr int kSendBufferBytes = 8 * 1024;
constexpr int kReceiveBufferBytes = 128 * 1024;
// A second without answers ends the search.
constexpr int kSilenceMs = 1000;
// Upper bounds of one search, so that a peer that keeps answering cannot
// keep the receiver alive forever.
constexpr int kMaxDatagrams = 4096;
constexpr auto kMaxSearchTime = std::chrono::seconds(30);

struct SearchDevRes {
    SearchDevRes() : sockets_started(platform::SocketsStartup() == 0) {}
    ~SearchDevRes() {
        if (receiver.joinable()) {
            receiver.detach();  // only when destroyed on the receiver thread itself
        }
        if (sockets_started) {
            platform::SocketsCleanup();
        }
    }
    SearchDevRes(const SearchDevRes&) = delete;
    SearchDevRes& operator=(const SearchDevRes&) = delete;

    // Guarded by Lock().
    SearchDevCallback callback = nullptr;
    void* user = nullptr;
    bool running = false;
    // The latest receiver; joined by the next search or by destroy.
    std::thread receiver;
    // Opened, shut down and closed under Lock(); sent on and received from
    // by the receiver alone, without the lock.
    platform::Socket socket;

    // Receiver thread only.
    std::array<uint8_t, kReceiveBytes> buffer{};

    const bool sockets_started;
};

// Never destroyed: a receiver may still run while the process exits.
std::mutex& Lock() {
    static auto* lock = new std::mutex;
    return *lock;
}
std::shared_ptr<SearchDevRes>& Current() {
    static auto* current = new std::shared_ptr<SearchDevRes>;
    return *current;
}

// Caller holds Lock().
const std::shared_ptr<SearchDevRes>& CurrentOrNewLocked() {
    std::shared_ptr<SearchDevRes>& current = Current();
    if (!current) {
        current = std::make_shared<SearchDevRes>();
    }
    return current;
}

// A receiver cannot wait for itself: from its own callback it is let go, and
// its reference keeps the resource alive until it returns.
void Finish(std::thread* receiver) {
    if (!receiver->joinable()) {
        return;
    }
    if (receiver->get_id() == std::this_thread::get_id()) {
        receiver->detach();
    } else {
        receiver->join();
    }
}

void Deliver(SearchDevRes& res, const SearchDevInfo& result) {
    SearchDevCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> guard(Lock());
        callback = res.callback;
        user = res.user;
    }
    if (callback != nullptr) {
        SearchDevInfo copy = result;  // the callback may write into it
        callback(&copy, kInfoLength, user);
    }
}

bool StillRunning(SearchDevRes& res) {
    std::lock_guard<std::mutex> guard(Lock());
    return res.running;
}

void Receive(const std::shared_ptr<SearchDevRes> holder, const Endpoint destination) {
    SearchDevRes& res = *holder;
    const long sent = res.socket.SendTo(kSearchRequest.data(), kSearchRequest.size(),
                                        destination.host, destination.port);
    if (sent < static_cast<long>(kSearchRequest.size())) {
        std::lock_guard<std::mutex> guard(Lock());
        res.socket.Close();
        res.running = false;
        return;
    }

    const auto deadline = Clock::now() + kMaxSearchTime;
    for (int datagrams = 0; datagrams < kMaxDatagrams && Clock::now() < deadline; ++datagrams) {
        if (!StillRunning(res)) {
            break;
        }
        // Ends on the silence time-out, on an error, or with 0 when destroy
        // shut the socket down.
        const long got = res.socket.ReceiveFrom(res.buffer.data(), res.buffer.size());
        if (got <= 0) {
            break;
        }
        SearchDevInfo found{};
        if (ParseDiscoveryAnswer(res.buffer.data(), static_cast<size_t>(got), &found)) {
            Deliver(res, found);
        }
    }

    {
        std::lock_guard<std::mutex> guard(Lock());
        res.socket.Close();
        res.running = false;
    }
    Deliver(res, SearchDevInfo{});
}

// Caller holds Lock(); res is idle and has no receiver left to join.
int32_t LaunchLocked(const std::shared_ptr<SearchDevRes>& res, const Endpoint& destination) {
    platform::Socket socket = platform::Socket::Udp();
    if (!socket.IsOpen() || !socket.SetBroadcast(true) ||
        !socket.SetBufferSizes(kSendBufferBytes, kReceiveBufferBytes) ||
        !socket.SetTimeouts(kSilenceMs, kSilenceMs)) {
        return kSearchNotStarted;
    }
    res->socket = std::move(socket);
    res->running = true;
    try {
        res->receiver = std::thread(Receive, res, destination);
    } catch (const std::system_error&) {
        res->running = false;
        res->socket.Close();
        return kSearchNotStarted;
    }
    return QW_NET_OK;
}

}  // namespace

int32_t SetSearchCallback(SearchDevCallback callback, void* user) {
    std::lock_guard<std::mutex> guard(Lock());
    const std::shared_ptr<SearchDevRes>& res = CurrentOrNewLocked();
    res->callback = callback;
    res->user = user;
    return QW_NET_OK;
}

int32_t StartSearch() {
    try {
        Endpoint destination;
        const bool usable = DiscoveryDestination(&destination);
        for (;;) {
            std::thread ended;
            {
                std::lock_guard<std::mutex> guard(Lock());
                const std::shared_ptr<SearchDevRes>& res = CurrentOrNewLocked();
                if (res->running) {
                    return QW_NET_OK;
                }
                if (!res->receiver.joinable()) {
                    return usable ? LaunchLocked(res, destination) : kSearchNotStarted;
                }
                // The previous search has cleared its mark but may still be
                // in its end-of-search callback.
                ended = std::move(res->receiver);
            }
            Finish(&ended);
        }
    } catch (const std::bad_alloc&) {
        return kSearchNotStarted;
    }
}

void DestroySearchResource() {
    std::shared_ptr<SearchDevRes> res;
    std::thread receiver;
    {
        std::lock_guard<std::mutex> guard(Lock());
        res = std::move(Current());
        if (!res) {
            return;
        }
        res->running = false;
        res->socket.Shutdown();  // wakes a receive in progress
        receiver = std::move(res->receiver);
    }
    Finish(&receiver);
}

}  // namespace kestrel::net
