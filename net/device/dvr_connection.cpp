#include "dvr_connection.h"

#include "kestrel_net_codes.h"
#include "library_state.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {
constexpr int kSendWaitMs = 10000;
constexpr int kMaxEmptyReads = 3;
}  // namespace

void DvrConnection::SetHost(const std::string& host, int port) {
    host_ = host;
    port_ = port & 0xFFFF;
}

void DvrConnection::SetTypes(int32_t type, int32_t subtype) {
    type_ = type;
    subtype_ = subtype;
}

void DvrConnection::CopyTarget(const DvrConnection& other) {
    SetHost(other.Host(), other.Port());
    SetTypes(other.Type(), other.Subtype());
}

int32_t DvrConnection::Request(RequestBlock* block, int max_receives, int32_t send_failure) {
    if (!SendAll(block->data(), block->size())) {
        Close();
        return send_failure;
    }
    int32_t result =
        ReadResponse(block, kExchangeWaitSeconds, kStandardResponseHeader, max_receives);
    if (result == QW_NET_OK) {
        result = ResponseResult(*block);
    }
    if (result != QW_NET_OK) {
        Close();
    }
    return result;
}

bool DvrConnection::Connect() {
    Close();
    if (port_ == 0 || !platform::IsDottedIPv4(host_)) {
        return false;
    }
    platform::Socket socket = platform::Socket::Tcp();
    if (!socket.IsOpen()) {
        return false;
    }
    if (socket.Connect(host_, static_cast<uint16_t>(port_), kConnectTimeoutMs) !=
        platform::ConnectResult::kConnected) {
        return false;
    }
    socket_ = std::move(socket);
    return true;
}

bool DvrConnection::SendAll(const void* data, size_t length) {
    return socket_.IsOpen() && socket_.SendAll(data, length, kSendWaitMs);
}

int DvrConnection::EffectiveWaitSeconds(int wait_seconds) const {
    return type_ == kSlowAnswerType ? kSlowAnswerWaitSeconds : wait_seconds;
}

bool DvrConnection::ReceiveOnce(void* buffer, size_t* length, int wait_seconds) {
    size_t capacity = *length;
    *length = 0;
    if (!socket_.IsOpen()) {
        return false;
    }
    if (socket_.WaitReadable(EffectiveWaitSeconds(wait_seconds) * 1000) !=
        platform::WaitResult::kReady) {
        return false;
    }
    long received = socket_.Receive(buffer, capacity);
    if (received < 0) {
        return false;
    }
    *length = static_cast<size_t>(received);
    return true;
}

void DvrConnection::Close() {
    if (socket_.IsOpen()) {
        socket_.Shutdown();
        socket_.Close();
    }
}

void DvrConnection::Shutdown() {
    socket_.Shutdown();
}

int32_t ResponseResult(const RequestBlock& block) {
    return static_cast<int32_t>(block.GetLE32(4));
}

int32_t DvrConnection::Exchange(RequestBlock* block, int wait_seconds, bool connect_first,
                                size_t first_read) {
    if (connect_first && !Connect()) {
        return QW_NET_ERR_CONNECT;
    }
    if (!SendAll(block->data(), block->size())) {
        Close();
        return QW_NET_ERR_SEND;
    }
    return ReadResponse(block, wait_seconds, first_read, 0);
}

int32_t DvrConnection::ReadResponse(RequestBlock* block, int wait_seconds, size_t first_read,
                                    int max_receives) {
    // Cleared whole, so fields a short answer leaves out read as 0 rather
    // than as bytes of the request.
    block->Fill(0);
    ResponseLimits limits;
    limits.first_read = first_read;
    limits.max_receives = max_receives;
    limits.max_empty_receives = kMaxEmptyReads;
    size_t total = 0;
    return ReadStandardResponse(
        block->data(), block->size(), limits,
        [&](uint8_t* into, size_t* length) { return ReceiveOnce(into, length, wait_seconds); },
        &total);
}

}  // namespace kestrel::net
