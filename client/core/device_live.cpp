// Live view of a device object: starting and stopping channels, stream
// sound, PTZ and picture capture.
#include "client_context.h"
#include "device.h"
#include "text_ids.h"

namespace kestrel::client {

StreamRequest CDevice::CurrentStreamRequest() const {
    StreamRequest request;
    // The recorder numbers its main stream 1 and its sub stream 0.
    request.streamNumber = context != nullptr && context->streamChoice != 0 ? 0 : 1;
    if (context != nullptr) {
        request.user = context->user;
        request.password = context->password;
    }
    return request;
}

int32_t CDevice::StartStream(int32_t channel, const StreamRequest& request) {
    return QW_DVR_NET_StartRealAV(handle, 1, channel, 0, 0, 1, request.streamNumber,
                                  request.user.c_str(), request.password.c_str());
}

int32_t CDevice::StartRealPlay(KmVideoWindow* window, int32_t channel) {
    if (!ValidChannel(channel)) {
        return QW_NET_ERR_BAD_ARGUMENT;
    }
    LiveChannel& live = channels_[channel];
    uint32_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(live.decodeLock);
        // A second start would lose the running decoder, or the one on its way.
        if (live.decoder != nullptr || live.liveStarted != 0) {
            return QW_NET_ERR_STREAM_RUNNING;
        }
        live.drawWindow = window;
        QW_DVR_NET_SetRealDataCallBack(handle, channel, this, &CDevice::OnRealData);
        std::lock_guard<std::mutex> stream(live.streamLock);
        generation = ++live.generation;
        live.request = CurrentStreamRequest();
        live.liveStarted = 1;
    }
    const int32_t bufferMode = context != nullptr && context->streamChoice != 0 ? 1 : 0;
    // The decoder's start waits for its player thread and the connect for
    // the recorder: both run on the channel's worker.
    if (!live.streamWorker.StartNow([this, channel, generation, window, bufferMode] {
            return StartAttempt(channel, generation, window, bufferMode);
        })) {
        AbandonStart(channel, generation);
        return QW_NET_ERR_THREAD;
    }
    return 0;
}

int32_t CDevice::StopRealPlay(int32_t channel) {
    if (!ValidChannel(channel)) {
        return 0;
    }
    LiveChannel& live = channels_[channel];
    bool workerCloses = false;
    {
        std::lock_guard<std::mutex> lock(live.streamLock);
        ++live.generation;
        live.streamGeneration = 0;
        workerCloses = live.workerInStreamCall;
    }
    live.streamWorker.Cancel();
    if (!workerCloses) {
        QW_DVR_NET_StopRealAV(handle, channel);
    }
    live.liveStarted = 0;
    std::lock_guard<std::mutex> lock(live.decodeLock);
    if (live.decoder != nullptr) {
        QW_DVR_MEDIA_CloseSound(live.decoder, channel);
        QW_DVR_MEDIA_StopPlay(live.decoder, channel);
        QW_DVR_MEDIA_CloseDecoder(live.decoder);
        live.decoder = nullptr;
    }
    live.soundOn = 0;
    return 1;
}

void CDevice::SelectSoundChannel(int32_t channel) {
    for (int32_t j = 0; ValidChannel(j); ++j) {
        LiveChannel& live = channels_[j];
        std::lock_guard<std::mutex> lock(live.decodeLock);
        if (live.decoder == nullptr || live.liveStarted == 0) {
            continue;
        }
        if (j == channel) {
            QW_DVR_MEDIA_OpenSound(live.decoder, j);  // already open: no change
            QW_DVR_MEDIA_SetMute(live.decoder, j, 0);
        } else {
            QW_DVR_MEDIA_CloseSound(live.decoder, j);  // not open: no change
        }
    }
}

int32_t CDevice::OpenStreamSound(int32_t channel) {
    if (!ValidChannel(channel)) {
        return 0;
    }
    channel = SoundChannel(channel);
    for (int32_t j = 0; ValidChannel(j); ++j) {
        if (j != channel && channels_[j].soundOn != 0) {
            if (QW_DVR_NET_CloseStreamSound(handle, j) != 0) {
                return 0;
            }
            channels_[j].soundOn = 0;
        }
    }
    if (QW_DVR_NET_OpenStreamSound(handle, channel) != 0) {
        return 0;
    }
    channels_[channel].soundOn = 1;
    return 1;
}

int32_t CDevice::CloseAllStreamSound() {
    for (int32_t j = 0; ValidChannel(j); ++j) {
        if (channels_[j].soundOn != 0) {
            if (QW_DVR_NET_CloseStreamSound(handle, j) != 0) {
                return 0;
            }
            channels_[j].soundOn = 0;
        }
    }
    return 1;
}

int32_t CDevice::PtzAction(int32_t channel, int32_t command, int32_t speed) {
    if (!ValidChannel(channel)) {
        return 0;
    }
    // The record travels as five words: command, speed and three zeros.
    struct {
        ::PtzAction action;
        int32_t reserved[3];
    } record{{command, speed}, {0, 0, 0}};
    return QW_DVR_NET_PZTAction(handle, &record.action, channel, 0) == 0 ? 1 : 0;
}

int32_t CDevice::CaptureImage(int32_t channel, uint8_t* buffer, int32_t* width, int32_t* height) {
    if (ValidChannel(channel)) {
        LiveChannel& live = channels_[channel];
        std::lock_guard<std::mutex> lock(live.decodeLock);
        if (live.decoder != nullptr && live.liveStarted != 0) {
            return QW_DVR_MEDIA_CaptureVideoImage(live.decoder, channel, buffer, width, height,
                                                  1) == 0
                       ? 1
                       : 0;
        }
    }
    NotifyText(kTextSnapError);
    return 0;
}

}  // namespace kestrel::client
