#include "play_info_relay.h"

#include "play_status_dispatcher.h"

namespace kestrel::media {

PlayInfoRelay::~PlayInfoRelay() {
    Close(0);
}

void PlayInfoRelay::Register(void* user, QW_MEDIA_PLAYINFO_CALLBACK callback) {
    if (callback == nullptr) {
        {
            std::lock_guard lock(mutex_);
            callback_ = nullptr;
            user_ = nullptr;
        }
        DropQueued();
        return;
    }
    std::lock_guard lock(mutex_);
    callback_ = callback;
    user_ = user;
    for (const auto& [code, value] : early_) {
        PlayStatusDispatcher::Instance().Post(PlayStatusRecord{this, callback, user, code, value});
    }
    early_.clear();
}

void PlayInfoRelay::Post(int32_t code, intptr_t value, bool keep_early) {
    std::lock_guard lock(mutex_);
    if (callback_ == nullptr) {
        if (keep_early && early_.size() < kMaxEarly) {
            early_.emplace_back(code, value);
        }
        return;
    }
    PlayStatusDispatcher::Instance().Post(PlayStatusRecord{this, callback_, user_, code, value});
}

void PlayInfoRelay::PostTime(int32_t code, const QwMediaTime& time) {
    std::lock_guard lock(mutex_);
    if (callback_ != nullptr) {
        PlayStatusDispatcher::Instance().PostTime(PlayStatusRecord{this, callback_, user_, code, 0},
                                                  time);
    }
}

void PlayInfoRelay::Close(int wait_ms) {
    PlayStatusDispatcher::Instance().WaitDelivered(this, wait_ms);
    {
        std::lock_guard lock(mutex_);
        callback_ = nullptr;
        user_ = nullptr;
    }
    DropQueued();
}

void PlayInfoRelay::DropQueued() {
    PlayStatusDispatcher::Instance().Drop(this);
}

}  // namespace kestrel::media
