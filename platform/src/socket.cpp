// POSIX sockets behind platform::Socket.
#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <utility>

#include "socket_errors.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

enum class Empty { kAnyAddress, kInvalid };

// An empty address means "any local address" only where binding; as a
// destination it would silently mean this host.
bool MakeAddress(const std::string& dotted_ip, uint16_t port, Empty empty, sockaddr_in* address) {
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    if (dotted_ip.empty() && empty == Empty::kAnyAddress) {
        address->sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    if (inet_pton(AF_INET, dotted_ip.c_str(), &address->sin_addr) != 1) {
        detail::RememberSocketError(EINVAL);
        return false;
    }
    return true;
}

void ReadAddress(const sockaddr_in& address, std::string* ip, uint16_t* port) {
    if (ip != nullptr) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
        *ip = text;
    }
    if (port != nullptr) {
        *port = ntohs(address.sin_port);
    }
}

// poll() on one descriptor; EINTR is retried against the original deadline.
// Returns the revents, 0 on time-out, -1 on failure.
int PollOne(int fd, short events, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
    int wait_ms = timeout_ms < 0 ? -1 : timeout_ms;
    for (;;) {
        pollfd entry{fd, events, 0};
        const int rc = poll(&entry, 1, wait_ms);
        if (rc > 0) {
            return entry.revents;
        }
        if (rc == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
        if (timeout_ms >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            wait_ms = left.count() > 0 ? static_cast<int>(left.count()) : 0;
        }
    }
}

WaitResult Wait(intptr_t fd, short events, int timeout_ms) {
    if (fd < 0) {
        detail::RememberSocketError(EBADF);
        return WaitResult::kError;
    }
    const int revents = PollOne(static_cast<int>(fd), events, timeout_ms);
    if (revents < 0) {
        detail::FailWithErrno();
        return WaitResult::kError;
    }
    if (revents == 0) {
        detail::RememberSocketError(ETIMEDOUT);
        return WaitResult::kTimeout;
    }
    if (revents & POLLNVAL) {
        detail::RememberSocketError(EBADF);
        return WaitResult::kError;
    }
    // A hang-up counts as readable, so the following receive reports the
    // orderly close (0); an error without data or hang-up is a failure.
    const short ready = (events & POLLIN) ? (POLLIN | POLLHUP) : POLLOUT;
    if (revents & ready) {
        return WaitResult::kReady;
    }
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_ERROR, &error, &length);
    detail::RememberSocketError(error != 0 ? error : EPIPE);
    return WaitResult::kError;
}

bool SetBlocking(int fd, bool blocking) {
    const int flags = fcntl(fd, F_GETFL, 0);
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    if (flags < 0 || (wanted != flags && fcntl(fd, F_SETFL, wanted) < 0)) {
        detail::FailWithErrno();
        return false;
    }
    return true;
}

bool SetIntOption(intptr_t fd, int level, int name, int value) {
    if (fd < 0) {
        detail::RememberSocketError(EBADF);
        return false;
    }
    if (setsockopt(static_cast<int>(fd), level, name, &value, sizeof value) != 0) {
        detail::FailWithErrno();
        return false;
    }
    return true;
}

timeval ToTimeval(int ms) {
    timeval value{};
    if (ms > 0) {
        value.tv_sec = ms / 1000;
        value.tv_usec = (ms % 1000) * 1000;
    }
    return value;
}

long ToLength(ssize_t moved) {
    return moved < 0 ? detail::FailWithErrno() : static_cast<long>(moved);
}

size_t ClampLength(size_t length) {
    return length > static_cast<size_t>(LONG_MAX) ? static_cast<size_t>(LONG_MAX) : length;
}

int Open(int type) {
    const int fd = socket(AF_INET, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        detail::FailWithErrno();
    }
    return fd;
}

}  // namespace

Socket::~Socket() {
    Close();
}

Socket::Socket(Socket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

Socket Socket::Tcp() {
    return Socket(Open(SOCK_STREAM));
}
Socket Socket::Udp() {
    return Socket(Open(SOCK_DGRAM));
}

bool Socket::IsOpen() const {
    return fd_ >= 0;
}
intptr_t Socket::Native() const {
    return fd_;
}

ConnectResult Socket::Connect(const std::string& dotted_ip, uint16_t port, int timeout_ms) {
    if (fd_ < 0) {
        detail::RememberSocketError(EBADF);
        return ConnectResult::kError;
    }
    const int fd = static_cast<int>(fd_);
    sockaddr_in address{};
    if (!MakeAddress(dotted_ip, port, Empty::kInvalid, &address) || !SetBlocking(fd, false)) {
        Close();
        return ConnectResult::kError;
    }
    int error = 0;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = errno;
    }
    if (error == EINPROGRESS || error == EINTR) {
        const int revents = PollOne(fd, POLLOUT, timeout_ms);
        if (revents == 0) {
            error = ETIMEDOUT;
        } else if (revents < 0) {
            error = errno;
        } else {
            socklen_t length = sizeof error;
            if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
                error = errno;
            }
        }
    }
    if (error == 0 && SetBlocking(fd, true)) {
        return ConnectResult::kConnected;
    }
    if (error == 0) {
        error = static_cast<int>(LastSocketError());
    }
    detail::RememberSocketError(error);
    Close();
    switch (error) {
        case ECONNREFUSED:
            return ConnectResult::kRefused;
        case ETIMEDOUT:
            return ConnectResult::kTimeout;
        default:
            return ConnectResult::kError;
    }
}

WaitResult Socket::WaitReadable(int timeout_ms) {
    return Wait(fd_, POLLIN, timeout_ms);
}
WaitResult Socket::WaitWritable(int timeout_ms) {
    return Wait(fd_, POLLOUT, timeout_ms);
}

long Socket::Send(const void* data, size_t length) {
    ssize_t sent;
    do {
        sent = send(static_cast<int>(fd_), data, ClampLength(length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    return ToLength(sent);
}

long Socket::Receive(void* buffer, size_t capacity) {
    ssize_t received;
    do {
        received = recv(static_cast<int>(fd_), buffer, ClampLength(capacity), 0);
    } while (received < 0 && errno == EINTR);
    return ToLength(received);
}

bool Socket::SendAll(const void* data, size_t length, int wait_ms) {
    const auto* next = static_cast<const char*>(data);
    while (length > 0) {
        if (WaitWritable(wait_ms) != WaitResult::kReady) {
            return false;
        }
        // Never block inside send: a piece larger than the free buffer space
        // would otherwise wait past wait_ms for a slow reader.
        const ssize_t sent =
            send(static_cast<int>(fd_), next, ClampLength(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            detail::FailWithErrno();
            return false;
        }
        next += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool Socket::Bind(const std::string& dotted_ip, uint16_t port) {
    if (fd_ < 0) {
        detail::RememberSocketError(EBADF);
        return false;
    }
    sockaddr_in address{};
    if (!MakeAddress(dotted_ip, port, Empty::kAnyAddress, &address)) {
        return false;
    }
    // Test servers and the simulator restart on the same port at once.
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(static_cast<int>(fd_), SOL_SOCKET, SO_TYPE, &type, &length) == 0 &&
        type == SOCK_STREAM && !SetReuseAddress(true)) {
        return false;
    }
    if (bind(static_cast<int>(fd_), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        detail::FailWithErrno();
        return false;
    }
    return true;
}

bool Socket::Listen(int backlog) {
    if (listen(static_cast<int>(fd_), backlog) != 0) {
        detail::FailWithErrno();
        return false;
    }
    return true;
}

Socket Socket::Accept(std::string* peer_ip, uint16_t* peer_port) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    int fd;
    do {
        length = sizeof address;
        fd = accept4(static_cast<int>(fd_), reinterpret_cast<sockaddr*>(&address), &length,
                     SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        detail::FailWithErrno();
        return Socket();
    }
    ReadAddress(address, peer_ip, peer_port);
    return Socket(fd);
}

uint16_t Socket::LocalPort() const {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(static_cast<int>(fd_), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        detail::FailWithErrno();
        return 0;
    }
    return ntohs(address.sin_port);
}

bool Socket::SetBroadcast(bool on) {
    return SetIntOption(fd_, SOL_SOCKET, SO_BROADCAST, on);
}
bool Socket::SetReuseAddress(bool on) {
    return SetIntOption(fd_, SOL_SOCKET, SO_REUSEADDR, on);
}

bool Socket::SetBufferSizes(int send_bytes, int receive_bytes) {
    bool ok = true;
    if (send_bytes > 0) {
        ok = SetIntOption(fd_, SOL_SOCKET, SO_SNDBUF, send_bytes) && ok;
    }
    if (receive_bytes > 0) {
        ok = SetIntOption(fd_, SOL_SOCKET, SO_RCVBUF, receive_bytes) && ok;
    }
    return ok;
}

bool Socket::SetTimeouts(int send_ms, int receive_ms) {
    const timeval send_limit = ToTimeval(send_ms);
    const timeval receive_limit = ToTimeval(receive_ms);
    const int fd = static_cast<int>(fd_);
    if (setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &send_limit, sizeof send_limit) != 0 ||
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receive_limit, sizeof receive_limit) != 0) {
        detail::FailWithErrno();
        return false;
    }
    return true;
}

long Socket::SendTo(const void* data, size_t length, const std::string& dotted_ip, uint16_t port) {
    sockaddr_in address{};
    if (!MakeAddress(dotted_ip, port, Empty::kInvalid, &address)) {
        return -1;
    }
    ssize_t sent;
    do {
        sent = sendto(static_cast<int>(fd_), data, ClampLength(length), MSG_NOSIGNAL,
                      reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (sent < 0 && errno == EINTR);
    return ToLength(sent);
}

long Socket::ReceiveFrom(void* buffer, size_t capacity, std::string* from_ip, uint16_t* from_port) {
    sockaddr_in address{};
    socklen_t length;
    ssize_t received;
    do {
        length = sizeof address;
        received = recvfrom(static_cast<int>(fd_), buffer, ClampLength(capacity), 0,
                            reinterpret_cast<sockaddr*>(&address), &length);
    } while (received < 0 && errno == EINTR);
    if (received >= 0) {
        ReadAddress(address, from_ip, from_port);
    }
    return ToLength(received);
}

void Socket::Shutdown() {
    // An unconnected UDP socket answers ENOTCONN, yet Linux still marks it
    // shut down and wakes its waiters, which is all this is for.
    if (fd_ >= 0 && shutdown(static_cast<int>(fd_), SHUT_RDWR) != 0 && errno != ENOTCONN) {
        detail::FailWithErrno();
    }
}

void Socket::Close() {
    if (fd_ >= 0) {
        // Not retried on EINTR: Linux has released the descriptor already.
        ::close(static_cast<int>(fd_));
        fd_ = -1;
    }
}

}  // namespace platform
