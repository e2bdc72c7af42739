// Talk: the recorder-to-client direction (a receive link and a receiver
// thread delivering TalkDataRecords) and the client-to-recorder direction
// (a send link that carries raw encoded audio).
//
// Threading: any thread may open, send and close; send_mutex_ keeps a send
// (typically from the microphone's thread) apart from the request and the
// close that replace or close the send link. The receiver
// thread is owned by this object: Close wakes it and lets it end on its own
// (it then delivers nothing); it is joined by the next Open or by the
// destructor, so no callback runs after the device is closed.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "dvr_connection.h"
#include "kestrel_net.h"
#include "platform/event.h"
#include "platform/thread.h"

namespace kestrel::net {

class TalkLink {
public:
    explicit TalkLink(void (*trace)(void* context, const char* text) = nullptr,
                      void* trace_context = nullptr);
    ~TalkLink();
    TalkLink(const TalkLink&) = delete;
    TalkLink& operator=(const TalkLink&) = delete;

    void SetTarget(const DvrConnection& target);
    int32_t Open(TalkDataCallback callback, void* user);
    int32_t SendRequest();
    int32_t SendAudio(const void* data, size_t length);
    int32_t Close(bool notify);

private:
    void Receive();
    void Trace(const char* text);
    int32_t SendCloseBlock(uint8_t command, const char* link_name);
    void JoinReceiver();

    DvrConnection target_;
    DvrConnection receive_link_;  // receiver thread while it runs
    std::mutex send_mutex_;
    DvrConnection send_link_;              // guarded by send_mutex_
    TalkDataCallback callback_ = nullptr;  // set before the receiver starts
    void* user_ = nullptr;
    std::atomic<bool> open_{true};  // cleared by Close: the receiver then ends silently
    platform::Event closed_{platform::Event::Reset::kManual};
    platform::MessageThread receiver_;
    TalkDataRecord record_{};            // receiver thread only
    std::vector<unsigned char> buffer_;  // receiver thread only
    void (*trace_)(void*, const char*);
    void* trace_context_;
};

}  // namespace kestrel::net
