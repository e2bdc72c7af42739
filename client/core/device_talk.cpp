// The talk link of a device object: two-way audio between the operator's
// microphone and speaker and the recorder.
#include "client_context.h"
#include "device.h"
#include "page_messages.h"
#include "text_ids.h"

namespace kestrel::client {
namespace {

constexpr TalkAttributes kTalkOpen{{0, 1, 20, 8000, 1, 0}};
constexpr TalkAttributes kTalkClose{{0, 0, 21, 8000, 1, 0}};
constexpr int kTalkClosePauseMs = 1000;

}  // namespace

int32_t CDevice::ToggleTalk() {
    Log("in StopTalk");
    if (talkOn != 0) {
        Log("before StopTalk");
        if (StopTalk() == 0) {
            Log("StopTalk,error!");
            NotifyText(kTextTalkCloseFailed);
            return 0;
        }
    } else {
        // Within the pause after a close the recorder still ends the last
        // talk: a request now would find it busy.
        bool started = !talkClosing_ && QW_DVR_NET_SendTalkQst(handle) == 0;
        if (started && talkMedia_ == nullptr) {
            const int32_t decoderMode = context != nullptr ? context->streamChoice : 0;
            talkMedia_ =
                QW_DVR_MEDIA_OpenTalk(kTalkOpen.word, &CDevice::PutDataInNet, decoderMode, this);
            started = talkMedia_ != nullptr;
        }
        if (started) {
            started = QW_DVR_NET_OpenTalk(handle, &kTalkOpen, &CDevice::RecvAudioData, this) == 0;
        }
        if (!started) {
            NotifyText(kTextDeviceBusy);
            return 0;
        }
        std::lock_guard<std::mutex> lock(talkSendLock_);
        talkSending_ = true;
    }
    talkOn ^= 1;
    return 1;
}

int32_t CDevice::StopTalk() {
    if (talkMedia_ == nullptr) {
        return 0;
    }
    {
        // No microphone block may be in flight while the link closes.
        std::lock_guard<std::mutex> lock(talkSendLock_);
        talkSending_ = false;
    }
    if (QW_DVR_NET_CloseTalk(handle, &kTalkClose) != 0) {
        std::lock_guard<std::mutex> lock(talkSendLock_);
        talkSending_ = true;  // still open
        return 0;
    }
    // The recorder's pause before the next start runs as a timer: the
    // caller's thread goes on at once.
    if (context != nullptr) {
        talkClosing_ = true;
        context->RunLater(kTalkClosePauseMs, [this, alive = std::weak_ptr<char>(alive_)] {
            if (!alive.expired()) {
                talkClosing_ = false;
            }
        });
    }
    return 1;
}

void QW_CALLBACK CDevice::PutDataInNet(void* user, const uint8_t* data, int32_t length,
                                       uint32_t stampLow, uint32_t stampHigh) {
    auto* self = static_cast<CDevice*>(user);
    if (self == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> lock(self->talkSendLock_);
    if (self->talkSending_) {
        QW_DVR_NET_SendAudioData(self->handle, data, length, static_cast<int32_t>(stampLow),
                                 static_cast<int32_t>(stampHigh));
    }
}

void QW_CALLBACK CDevice::RecvAudioData(void* user, TalkDataRecord* record) {
    auto* self = static_cast<CDevice*>(user);
    if (self != nullptr) {
        self->OnTalkData(record);
    }
}

void CDevice::OnTalkData(TalkDataRecord* record) {
    if (record != nullptr) {
        if (talkMedia_ != nullptr && record->data != nullptr && record->byte_count > 0) {
            QW_DVR_MEDIA_InputTalkData(talkMedia_, record->data, record->byte_count, 0, 0);
        }
        return;
    }
    if (context == nullptr) {
        return;
    }
    context->talkOn ^= 1;
    // This is the talk receiver's thread: the panel shows the text on its own.
    context->pages.Post(PageId::kChannelPanel, UM_TALK_LINK_LOST, 0, 0);
}

}  // namespace kestrel::client
