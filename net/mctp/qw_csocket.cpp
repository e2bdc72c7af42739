#include "qw_csocket.h"

#include <climits>
#include <cstdint>
#include <string>
#include <utility>

#include "kestrel_net_codes.h"

namespace {

bool IsValidWait(MctpWaitTime wait) {
    return wait.seconds >= 0 && wait.microseconds >= 0 && wait.microseconds <= 999999;
}

}  // namespace

int QW_CSOCKET_WaitMs(MctpWaitTime wait) {
    if (wait.seconds <= 0 && wait.microseconds <= 0) {
        return -1;
    }
    const int64_t ms =
        static_cast<int64_t>(wait.seconds > 0 ? wait.seconds : 0) * 1000 +
        (static_cast<int64_t>(wait.microseconds > 0 ? wait.microseconds : 0) + 999) / 1000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

int32_t QW_CSOCKET_Open(MctpSocket* sock, platform::Socket existing, MctpWaitTime wait) {
    if (sock == nullptr || !IsValidWait(wait)) {
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    sock->socket.Close();
    sock->socket = existing.IsOpen() ? std::move(existing) : platform::Socket::Tcp();
    if (!sock->socket.IsOpen()) {
        return QW_VSCP_ERR_NO_MEMORY;
    }
    // A blocking send of a large piece must not outlast the send wait while
    // the peer stops reading; the kernel limit cuts it short instead.
    const int wait_ms = QW_CSOCKET_WaitMs(wait);
    if (!sock->socket.SetTimeouts(wait_ms, wait_ms)) {
        sock->socket.Close();
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    sock->send_wait = wait;
    sock->receive_wait = wait;
    return QW_NET_OK;
}

int32_t QW_CSOCKET_Connect(MctpSocket* sock, const char* dotted_ip, uint16_t port) {
    if (sock == nullptr || !sock->socket.IsOpen()) {
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    if (dotted_ip == nullptr || port == 0 || !platform::IsDottedIPv4(dotted_ip)) {
        sock->socket.Close();
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    if (sock->socket.Connect(dotted_ip, port, kMctpConnectTimeoutMs) !=
        platform::ConnectResult::kConnected) {
        return QW_NET_ERR_CONNECT;  // the platform closed the socket
    }
    return QW_NET_OK;
}

int32_t QW_CSOCKET_Send(MctpSocket* sock, const void* data, size_t length) {
    if (sock == nullptr || !sock->socket.IsOpen() || data == nullptr || length == 0) {
        return QW_MCTP_ERR_BAD_SETTINGS;
    }
    const int wait_ms = QW_CSOCKET_WaitMs(sock->send_wait);
    const auto* next = static_cast<const char*>(data);
    // Every pass sends at least one byte or ends, so the loop is bounded by
    // length, and each pass by the send wait.
    while (length > 0) {
        switch (sock->socket.WaitWritable(wait_ms)) {
            case platform::WaitResult::kReady:
                break;
            case platform::WaitResult::kTimeout:
                return QW_TRANS_ERR_SEND_TIMEOUT;
            case platform::WaitResult::kError:
                return QW_TRANS_ERR_SEND;
        }
        const long sent = sock->socket.Send(next, length);
        if (sent <= 0) {
            return QW_TRANS_ERR_SEND;
        }
        next += sent;
        length -= static_cast<size_t>(sent);
    }
    return QW_NET_OK;
}

void QW_CSOCKET_Close(MctpSocket* sock) {
    if (sock != nullptr) {
        sock->socket.Close();
    }
}
