#include "qw_socket.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <vector>

#include "kestrel_net_codes.h"
#include "qw_vscp_trace.h"

namespace {

struct LeftoverEntry {
    intptr_t socket;
    size_t capacity;
    std::string data;  // bytes held; never more than capacity
};

// Both live until the end of the process, so that a thread still finishing
// an exchange at exit never meets a destroyed lock.
std::mutex& StoreLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::vector<LeftoverEntry>& Entries() {
    static auto* entries = new std::vector<LeftoverEntry>;
    return *entries;
}

// Callers hold StoreLock().
LeftoverEntry* FindEntry(intptr_t socket) {
    auto& entries = Entries();
    auto found = std::find_if(entries.begin(), entries.end(),
                              [socket](const LeftoverEntry& e) { return e.socket == socket; });
    return found != entries.end() ? &*found : nullptr;
}

}  // namespace

int32_t QW_SOCKET_WaitReadable(platform::Socket& socket, int wait_ms) {
    switch (socket.WaitReadable(wait_ms)) {
        case platform::WaitResult::kReady:
            return 0;
        case platform::WaitResult::kTimeout:
            return QW_TRANS_ERR_TIMEOUT;
        case platform::WaitResult::kError:
            break;
    }
    return QW_TRANS_ERR_RECEIVE;
}

int32_t QW_SOCKET_Recv(platform::Socket& socket, MctpWaitTime wait, void* buffer, size_t length) {
    QW_VSCP_Trace(kQwTraceTagTransfer, QW_TRACE_DEBUG, "\r\n======QW_SOCKET_Recv : %s %d\r\n",
                  __FILE__, __LINE__);
    QW_VSCP_Trace(kQwTraceTagTransfer, QW_TRACE_DEBUG,
                  "\r\n======QW_SOCKET_Recv : %s %d: s32Socket = %lld ps8Buffer = %p "
                  "pstruFromAddr = %p\r\n",
                  __FILE__, __LINE__, static_cast<long long>(socket.Native()), buffer,
                  static_cast<const void*>(nullptr));
    if (!socket.IsOpen() || buffer == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    const int wait_ms = QW_CSOCKET_WaitMs(wait);
    auto* next = static_cast<char*>(buffer);
    // Each pass receives at least one byte or ends.
    while (length > 0) {
        if (const int32_t waited = QW_SOCKET_WaitReadable(socket, wait_ms); waited != 0) {
            return waited;
        }
        const long received = socket.Receive(next, length);
        if (received <= 0) {
            return QW_TRANS_ERR_RECEIVE;
        }
        next += received;
        length -= static_cast<size_t>(received);
    }
    return QW_NET_OK;
}

int32_t QW_SOCKET_RegisterLeftover(const platform::Socket& socket, size_t capacity) {
    if (!socket.IsOpen() || capacity == 0) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    std::lock_guard<std::mutex> hold(StoreLock());
    if (FindEntry(socket.Native()) != nullptr) {
        return QW_TRANS_ERR_REGISTERED;
    }
    try {
        // The data grows on demand: a large capacity costs nothing until used.
        Entries().push_back(LeftoverEntry{socket.Native(), capacity, {}});
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

int32_t QW_SOCKET_UnregisterLeftover(const platform::Socket& socket) {
    std::lock_guard<std::mutex> hold(StoreLock());
    LeftoverEntry* entry = FindEntry(socket.Native());
    if (entry == nullptr) {
        return QW_TRANS_ERR_NOT_REGISTERED;
    }
    auto& entries = Entries();
    entries.erase(entries.begin() + (entry - entries.data()));
    return QW_NET_OK;
}

int32_t QW_SOCKET_TakeLeftover(const platform::Socket& socket, std::string* out) {
    if (out == nullptr) {
        return QW_VSCP_ERR_BAD_ARGUMENT;
    }
    std::lock_guard<std::mutex> hold(StoreLock());
    LeftoverEntry* entry = FindEntry(socket.Native());
    if (entry == nullptr) {
        return QW_TRANS_ERR_NOT_REGISTERED;
    }
    try {
        out->append(entry->data);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    entry->data.clear();
    return QW_NET_OK;
}

int32_t QW_SOCKET_PutLeftover(const platform::Socket& socket, std::string_view data) {
    std::lock_guard<std::mutex> hold(StoreLock());
    LeftoverEntry* entry = FindEntry(socket.Native());
    if (entry == nullptr) {
        return QW_TRANS_ERR_NOT_REGISTERED;
    }
    if (data.size() > entry->capacity - entry->data.size()) {
        return QW_TRANS_ERR_LEFTOVER_FULL;
    }
    try {
        entry->data.append(data);
    } catch (const std::bad_alloc&) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}
