#include "talk_link.h"

#include <cstdio>
#include <cstring>

#include "kestrel_net_codes.h"
#include "platform/socket.h"
#include "recorder_answers.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kTalkRequestLength = 84;
constexpr int kTalkReceiveWaitSeconds = 2;
constexpr size_t kTalkReceiveBytes = 102400;
constexpr int kLossReportDelayMs = 1000;
constexpr int kAnswerDelayMs = 10;
constexpr int kCloseSettleMs = 100;

// The six words of the talk request: open switches the direction on.
RequestBlock TalkBlock(uint8_t command, bool open) {
    RequestBlock block(command, kTalkRequestLength);
    const uint32_t words[6] = {0, open ? 1u : 0u, 20, 8000, 1, 0};
    for (int i = 0; i < 6; ++i) {
        block.PutLE32(20 + 4 * static_cast<size_t>(i), words[i]);
    }
    return block;
}

}  // namespace

TalkLink::TalkLink(void (*trace)(void*, const char*), void* trace_context)
    : trace_(trace), trace_context_(trace_context) {}

TalkLink::~TalkLink() {
    open_ = false;
    closed_.Set();
    receive_link_.Shutdown();
    JoinReceiver();
    send_link_.Close();
}

void TalkLink::Trace(const char* text) {
    if (trace_ != nullptr) {
        trace_(trace_context_, text);
    }
}

void TalkLink::SetTarget(const DvrConnection& target) {
    target_.CopyTarget(target);
}

void TalkLink::JoinReceiver() {
    receiver_.Join(-1);
    receive_link_.Close();
}

int32_t TalkLink::Open(TalkDataCallback callback, void* user) {
    // A receiver of an earlier talk has been told to end; wait for it.
    receive_link_.Shutdown();
    JoinReceiver();
    callback_ = callback;
    user_ = user;
    closed_.Clear();
    receive_link_.CopyTarget(target_);
    if (!receive_link_.Connect()) {
        char text[96];
        std::snprintf(text, sizeof text, "talk receive connect failed [error code:%u]\n",
                      platform::LastSocketError());
        Trace(text);
    }
    RequestBlock block = TalkBlock(kCmdTalkReceive, true);
    if (!receive_link_.SendAll(block.data(), block.size())) {
        receive_link_.Close();
        return QW_NET_ERR_SEND;
    }
    buffer_.assign(kTalkReceiveBytes, 0);
    if (!receiver_.Start([this](platform::MessageThread&) { Receive(); })) {
        receive_link_.Close();
        return QW_NET_ERR_SEND;
    }
    return QW_NET_OK;
}

void TalkLink::Receive() {
    for (;;) {
        std::memset(buffer_.data(), 0, buffer_.size());
        size_t got = buffer_.size();
        if (!receive_link_.ReceiveOnce(buffer_.data(), &got, kTalkReceiveWaitSeconds) || got == 0) {
            break;
        }
        if (callback_ != nullptr) {
            record_.byte_count = static_cast<int32_t>(got);
            record_.data = buffer_.data();
            try {
                callback_(user_, &record_);
            } catch (...) {
                // The receiver goes on with its next piece.
            }
        }
    }
    // A talk the caller did not close is reported lost; a close wakes the wait.
    closed_.Wait(kLossReportDelayMs);
    if (open_ && callback_ != nullptr) {
        try {
            callback_(user_, nullptr);
        } catch (...) {
        }
    }
}

int32_t TalkLink::SendRequest() {
    std::lock_guard lock(send_mutex_);
    send_link_.Close();
    send_link_.CopyTarget(target_);
    if (!send_link_.Connect()) {
        char text[96];
        std::snprintf(text, sizeof text, "talk send connect failed [error code:%u]\n",
                      platform::LastSocketError());
        Trace(text);
        return QW_NET_ERR_CONNECT;
    }
    RequestBlock block = TalkBlock(kCmdTalkSend, true);
    if (!send_link_.SendAll(block.data(), block.size())) {
        return QW_NET_ERR_SEND;
    }
    platform::SleepMs(kAnswerDelayMs);
    size_t got = kStandardResponseHeader;
    if (!send_link_.ReceiveOnce(block.data(), &got, kExchangeWaitSeconds) ||
        !TalkRequestAccepted(block.data(), got)) {
        return QW_NET_ERR_RESPONSE;
    }
    open_ = true;
    return QW_NET_OK;
}

int32_t TalkLink::SendAudio(const void* data, size_t length) {
    std::lock_guard lock(send_mutex_);
    if (!send_link_.HasSocket()) {
        Trace("m_hTalkClient is INVALID_SOCKET");
        return QW_NET_ERR_IDENTIFY_CONNECT;
    }
    if (!send_link_.SendAll(data, length)) {
        Trace("m_hTalkClient write data error");
        return QW_NET_ERR_SEND;
    }
    return QW_NET_OK;
}

int32_t TalkLink::SendCloseBlock(uint8_t command, const char* link_name) {
    DvrConnection link;
    link.CopyTarget(target_);
    RequestBlock block = TalkBlock(command, false);
    bool sent = link.Connect() && link.SendAll(block.data(), block.size());
    uint32_t error = platform::LastSocketError();
    link.Close();
    if (!sent) {
        char text[96];
        std::snprintf(text, sizeof text, "%s fail![error code:%u]", link_name, error);
        Trace(text);
        return QW_NET_ERR_SEND;
    }
    return QW_NET_OK;
}

int32_t TalkLink::Close(bool notify) {
    open_ = false;
    closed_.Set();
    int32_t result = QW_NET_OK;
    if (notify) {
        result = SendCloseBlock(kCmdTalkSend, "m_hCloseTalkSendClient");
        if (result == QW_NET_OK) {
            result = SendCloseBlock(kCmdTalkReceive, "m_hCloseTalkRecvClient");
        }
    }
    // Both links close even when the recorder could not be told, so no
    // audio keeps flowing after the caller ended the talk. The receiver owns
    // the receive link until it ends: only wake it here.
    receive_link_.Shutdown();
    {
        std::lock_guard lock(send_mutex_);  // a send in progress ends first (bounded)
        send_link_.Close();
    }
    platform::SleepMs(kCloseSettleMs);
    return result;
}

}  // namespace kestrel::net
