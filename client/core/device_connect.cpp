// The stream worker's rounds of a device object: a start's decoder and first
// connect, and the restarts after a break. Each round acts for the generation of the
// channel it was made for; once a stop or a new start has ended that
// generation, the round closes what it opened and attaches nothing.
#include <optional>

#include "client_context.h"
#include "device.h"
#include "page_messages.h"

namespace kestrel::client {

bool CDevice::EnterStreamCall(LiveChannel& live, uint32_t generation, bool takeData,
                              StreamRequest* request) {
    std::lock_guard<std::mutex> lock(live.streamLock);
    if (live.generation != generation) {
        return false;
    }
    live.streamGeneration = generation;
    live.workerInStreamCall = true;
    if (takeData) {
        live.liveStarted = 1;
    }
    *request = live.request;
    return true;
}

bool CDevice::LeaveStreamCall(LiveChannel& live, uint32_t generation) {
    std::lock_guard<std::mutex> lock(live.streamLock);
    if (live.generation != generation) {
        return false;  // the stop left the closing to this worker
    }
    live.workerInStreamCall = false;
    return true;
}

void CDevice::CloseStaleStream(LiveChannel& live, int32_t channel) {
    QW_DVR_NET_StopRealAV(handle, channel);
    std::lock_guard<std::mutex> lock(live.streamLock);
    live.workerInStreamCall = false;
}

bool CDevice::AbandonStart(int32_t channel, uint32_t generation) {
    LiveChannel& live = channels_[channel];
    std::lock_guard<std::mutex> lock(live.decodeLock);
    {
        std::lock_guard<std::mutex> stream(live.streamLock);
        if (live.generation != generation) {
            return false;  // the stop closes the decoder
        }
        ++live.generation;
        live.streamGeneration = 0;
        live.liveStarted = 0;
    }
    if (live.decoder != nullptr) {
        QW_DVR_MEDIA_StopPlay(live.decoder, channel);
        QW_DVR_MEDIA_CloseDecoder(live.decoder);
        live.decoder = nullptr;
    }
    return true;
}

std::optional<int32_t> CDevice::StartDecoder(int32_t channel, uint32_t generation,
                                             KmVideoWindow* window, int32_t bufferMode) {
    LiveChannel& live = channels_[channel];
    // Held throughout, so that a stop meanwhile waits and then closes it.
    std::lock_guard<std::mutex> lock(live.decodeLock);
    {
        std::lock_guard<std::mutex> stream(live.streamLock);
        if (live.generation != generation) {
            return std::nullopt;
        }
    }
    live.decoder = QW_DVR_MEDIA_OpenDecoder(deviceType, deviceSubtype, 1, bufferMode);
    if (live.decoder == nullptr) {
        return QW_MEDIA_ERR_FAILED;
    }
    return QW_DVR_MEDIA_StartPlay(live.decoder, &window, 1, &channel, 1, 0);
}

CDevice::Outcome CDevice::StartAttempt(int32_t channel, uint32_t generation, KmVideoWindow* window,
                                       int32_t bufferMode) {
    LiveChannel& live = channels_[channel];
    const std::optional<int32_t> started = StartDecoder(channel, generation, window, bufferMode);
    if (!started) {
        return Outcome::kDone;
    }
    int32_t result = *started;
    if (result == 0) {
        StreamRequest request;
        if (!EnterStreamCall(live, generation, false, &request)) {
            return Outcome::kDone;
        }
        {
            std::lock_guard<std::mutex> lock(live.decodeLock);
            live.streamHeader.Reset();
        }
        result = StartStream(channel, request);
        if (!LeaveStreamCall(live, generation)) {
            CloseStaleStream(live, channel);
            return Outcome::kDone;
        }
    }
    if (result != 0 && !AbandonStart(channel, generation)) {
        return Outcome::kDone;
    }
    if (context != nullptr) {
        context->pages.Post(PageId::kLiveView, UM_REAL_PLAY_DONE, channel, result);
    }
    return Outcome::kDone;
}

CDevice::Outcome CDevice::ReconnectAttempt(int32_t channel, uint32_t generation) {
    LiveChannel& live = channels_[channel];
    StreamRequest request;
    if (!EnterStreamCall(live, generation, false, &request)) {
        return Outcome::kDone;
    }
    const bool stopFailed = QW_DVR_NET_StopRealAV(handle, channel) != 0;
    {
        // Stopped either way: a stop made meanwhile has nothing left to close.
        std::lock_guard<std::mutex> lock(live.streamLock);
        live.workerInStreamCall = false;
        if (live.generation != generation) {
            return Outcome::kDone;
        }
        if (stopFailed) {
            live.liveStarted = 0;
        }
    }
    if (stopFailed && !live.streamWorker.Wait(1000)) {
        return Outcome::kDone;
    }
    // The new stream's header is collected from its first byte (the break
    // reset it), so the channel takes data again before the stream starts.
    if (!EnterStreamCall(live, generation, true, &request)) {
        return Outcome::kDone;
    }
    const int32_t result = StartStream(channel, request);
    if (!LeaveStreamCall(live, generation)) {
        CloseStaleStream(live, channel);
        return Outcome::kDone;
    }
    if (result == 0 || result == QW_NET_ERR_NOT_STARTED) {
        return Outcome::kDone;
    }
    return Outcome::kRetry;
}

}  // namespace kestrel::client
