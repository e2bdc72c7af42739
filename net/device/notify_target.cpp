#include "notify_target.h"

#include "platform/window_message.h"

namespace kestrel::net {

void NotifyTarget::Set(void* window, uint32_t message, DeviceNotifyCallback callback, void* user) {
    std::lock_guard<std::mutex> guard(lock_);
    window_ = window;
    message_ = message;
    callback_ = callback;
    user_ = user;
}

void NotifyTarget::Send(int32_t code, int32_t value) {
    void* window;
    uint32_t message;
    DeviceNotifyCallback callback;
    void* user;
    {
        std::lock_guard<std::mutex> guard(lock_);
        window = window_;
        message = message_;
        callback = callback_;
        user = user_;
    }
    if (window != nullptr && message != 0) {
        auto w_param = static_cast<uintptr_t>(static_cast<uint32_t>(code));
        auto l_param = static_cast<intptr_t>(value);
        if (platform::kHasNativeWindowMessages) {
            platform::PostNativeWindowMessage(window, message, w_param, l_param);
        } else {
            auto* target = static_cast<QwMessageWindow*>(window);
            if (target->post != nullptr) {
                target->post(target->user, message, w_param, l_param);
            }
        }
    }
    if (callback != nullptr) {
        callback(user, code, value);
    }
}

}  // namespace kestrel::net
