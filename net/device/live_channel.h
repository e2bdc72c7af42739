// The live stream of one channel: its own command link, the start request
// and a receiver thread that hands every received chunk to the real-data
// callback and reports the loss of the stream once.
//
// Threading: created, started and stopped under the channel's lock by the
// caller's thread; the receiver thread (owned by this object, started in
// Start, joined in Stop or the destructor) is the only reader of the link
// while it runs. The callback pair is read by the receiver and written by
// SetCallback under a small lock that is never held during a callback.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "dvr_connection.h"
#include "kestrel_net.h"
#include "platform/thread.h"

namespace kestrel::net {

class DvrDevice;

// Bytes of one receive and of one delivery.
constexpr size_t kLiveReceiveBytes = 102400;

struct LiveStartParams {
    int32_t channel = 0;
    int32_t link_mode = 1;
    int32_t stream_number = 0;
    const char* user = nullptr;
    const char* password = nullptr;
};

class LiveChannel {
public:
    LiveChannel(DvrDevice* owner, const DvrConnection& template_link);
    ~LiveChannel();  // stops the receiver, if any, and closes the link
    LiveChannel(const LiveChannel&) = delete;
    LiveChannel& operator=(const LiveChannel&) = delete;

    void SetCallback(RealDataCallback callback, void* user);

    // Connects, sends the start request, reads its answer and starts the
    // receiver. 0 with the stream identifier's raw 8 bytes, a transport code,
    // or the recorder's refusal.
    int32_t Start(const LiveStartParams& params, std::array<uint8_t, 8>* stream_id);
    // Wakes and ends the receiver and closes the link; no callback runs after.
    void Stop();

private:
    void Receive(platform::MessageThread& self);
    void Deliver(const unsigned char* data, int32_t count);

    DvrDevice* owner_;
    int32_t channel_ = 0;
    DvrConnection link_;
    std::vector<unsigned char> buffer_;  // receiver thread only

    std::mutex callback_lock_;  // guards the pair only, never held in a callback
    RealDataCallback callback_ = nullptr;
    void* user_ = nullptr;

    platform::MessageThread receiver_;
};

}  // namespace kestrel::net
