#include "live_channel.h"

#include <cstdio>
#include <cstring>

#include "dvr_device.h"
#include "kestrel_net_codes.h"
#include "platform/clock.h"
#include "recorder_types.h"

namespace kestrel::net {

namespace {

constexpr uint32_t kStartRequestLength = 104;
constexpr size_t kLoginFieldBytes = 32;
constexpr int kStartMaxReceives = 3;
constexpr int32_t kStreamBytes = 2;
constexpr int32_t kStreamLost = -3;

// Loss detection: a stream is lost after more than kMaxFailedReceives
// receives in a row without data, or kLostAfterMs without data.
constexpr int kMaxFailedReceives = 10;
constexpr uint32_t kSuspectAfterMs = 3500;
constexpr uint32_t kLostAfterMs = 5000;
constexpr int kFailedReceivePauseMs = 10;

}  // namespace

LiveChannel::LiveChannel(DvrDevice* owner, const DvrConnection& template_link) : owner_(owner) {
    link_.CopyTarget(template_link);
}

LiveChannel::~LiveChannel() {
    Stop();
}

void LiveChannel::SetCallback(RealDataCallback callback, void* user) {
    std::lock_guard<std::mutex> guard(callback_lock_);
    callback_ = callback;
    user_ = user;
}

int32_t LiveChannel::Start(const LiveStartParams& params, std::array<uint8_t, 8>* stream_id) {
    channel_ = params.channel;
    if (!link_.Connect()) {
        return QW_NET_ERR_CONNECT;
    }

    RequestBlock block(kCmdLiveStart, kStartRequestLength);
    block.PutBE32(20, 1);
    block.PutBE32(24, 16);
    block.PutBE32(28, 1u << params.channel);
    block.PutBE32(32, static_cast<uint32_t>(params.link_mode));
    block.PutBE32(36, static_cast<uint32_t>(params.stream_number));
    block.PutText(40, kLoginFieldBytes, params.user);
    block.PutText(72, kLoginFieldBytes, params.password);
    int32_t result = link_.Request(&block, kStartMaxReceives, QW_NET_ERR_CONNECT);
    if (result != QW_NET_OK) {
        return result;
    }
    std::memcpy(stream_id->data(), block.data() + 8, stream_id->size());

    buffer_.assign(kLiveReceiveBytes, 0);
    if (!receiver_.Start([this](platform::MessageThread& self) { Receive(self); })) {
        link_.Close();
        return QW_NET_ERR_NO_MEMORY;
    }
    return QW_NET_OK;
}

void LiveChannel::Stop() {
    // Shut the socket first so a receive in progress returns at once.
    link_.Shutdown();
    if (receiver_.Running()) {
        receiver_.Post(platform::kQuitMessage, 1);
    }
    receiver_.Join(-1);
    link_.Close();
}

void LiveChannel::Deliver(const unsigned char* data, int32_t count) {
    RealDataCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> guard(callback_lock_);
        callback = callback_;
        user = user_;
    }
    if (callback != nullptr) {
        callback(ToHandle(owner_), channel_, kStreamBytes, data, count, user);
    }
}

void LiveChannel::Receive(platform::MessageThread& self) {
    const bool delivers = IsLiveStreamType(link_.Type());
    uint64_t last_data_ms = platform::MonotonicMs();
    int failures = 0;
    for (;;) {
        platform::Message message;
        if (self.Peek(&message)) {
            if (message.id == platform::kQuitMessage) {
                return;
            }
            continue;
        }
        size_t got = buffer_.size();
        if (link_.ReceiveOnce(buffer_.data(), &got, kExchangeWaitSeconds) && got > 0) {
            last_data_ms = platform::MonotonicMs();
            failures = 0;
            if (delivers) {
                Deliver(buffer_.data(), static_cast<int32_t>(got));
            }
        } else {
            platform::SleepMs(kFailedReceivePauseMs);
            ++failures;
        }

        uint64_t silent_ms = platform::MonotonicMs() - last_data_ms;
        bool suspect = failures > kMaxFailedReceives || silent_ms > kSuspectAfterMs;
        bool lost = silent_ms > kLostAfterMs || failures > kMaxFailedReceives;
        if (delivers && suspect && lost) {
            link_.Shutdown();
            char trace[160];
            std::snprintf(trace, sizeof trace,
                          "视频连接已经断开,channel=%d, failedCount=%d, time=%d\n", channel_,
                          failures, static_cast<int>(silent_ms));
            owner_->Trace(trace);
            Deliver(buffer_.data(), kStreamLost);
            return;
        }
    }
}

}  // namespace kestrel::net
