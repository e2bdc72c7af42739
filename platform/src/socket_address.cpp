// Address parsing, name resolution, the socket layer's reference count and the
// per-thread last error.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/socket.h"
#include "socket_errors.h"

namespace platform {
namespace {

thread_local uint32_t t_last_socket_error = 0;
std::atomic<int> g_startup_count{0};

}  // namespace

namespace detail {

void RememberSocketError(int error) {
    t_last_socket_error = static_cast<uint32_t>(error);
}

long FailWithErrno() {
    RememberSocketError(errno);
    return -1;
}

}  // namespace detail

int SocketsStartup() {
    g_startup_count.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

int SocketsCleanup() {
    // Never below zero: an unmatched cleanup is harmless, as documented.
    int count = g_startup_count.load(std::memory_order_relaxed);
    while (count > 0 &&
           !g_startup_count.compare_exchange_weak(count, count - 1, std::memory_order_relaxed)) {
    }
    return 0;
}

bool ParsePortNumber(const std::string& text, uint16_t* port) {
    constexpr size_t kMaxDigits = 5;
    if (text.empty() || text.size() > kMaxDigits) {
        return false;
    }
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 0xFFFF) {
        return false;
    }
    *port = static_cast<uint16_t>(value);
    return true;
}

bool IsDottedIPv4(const std::string& text) {
    in_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool ResolveIPv4(const std::string& name, std::string* dotted) {
    if (name.empty()) {
        detail::RememberSocketError(EINVAL);
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* results = nullptr;
    const int rc = getaddrinfo(name.c_str(), nullptr, &hints, &results);
    if (rc != 0 || results == nullptr) {
        detail::RememberSocketError(rc == EAI_SYSTEM ? errno : EHOSTUNREACH);
        return false;
    }
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(results->ai_addr);
    const bool ok = inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(results);
    if (!ok) {
        detail::RememberSocketError(errno);
        return false;
    }
    if (dotted != nullptr) {
        *dotted = text;
    }
    return true;
}

uint32_t LastSocketError() {
    return t_last_socket_error;
}

}  // namespace platform
