// Live view of a device object: starting and stopping channels, stream
// sound, PTZ and picture capture.
#include "client_context.h"
#include "device.h"
#include "text_ids.h"

namespace kestrel::client {

int32_t CDevice::StreamNumber() const {
    // The recorder numbers its main stream 1 and its sub stream 0.
    return context != nullptr && context->streamChoice != 0 ? 0 : 1;
}

int32_t CDevice::StartStream(int32_t channel) {
    const char* user = context != nullptr ? context->user.c_str() : "";
    const char* password = context != nullptr ? context->password.c_str() : "";
    return QW_DVR_NET_StartRealAV(handle, 1, channel, 0, 0, 1, StreamNumber(), user, password);
}

int32_t CDevice::StartRealPlay(KmVideoWindow* window, int32_t channel) {
    if (!ValidChannel(channel)) {
        return QW_NET_ERR_BAD_ARGUMENT;
    }
    LiveChannel& live = channels_[channel];
    {
        // A second start would lose the running decoder.
        std::lock_guard<std::mutex> lock(live.decodeLock);
        if (live.decoder != nullptr) {
            return QW_NET_ERR_STREAM_RUNNING;
        }
    }
    // A worker left from before must be gone before a new stream runs. Joined
    // without decodeLock: its stop call waits for a receiver that may want it.
    live.reconnect.Stop();
    std::lock_guard<std::mutex> lock(live.decodeLock);
    live.drawWindow = window;
    QW_DVR_NET_SetRealDataCallBack(handle, channel, this, &CDevice::OnRealData);
    live.streamHeader.Reset();
    live.stopReconnect = 0;
    live.reconnect.Arm();
    live.liveStarted = 1;
    const int32_t bufferMode = context != nullptr && context->streamChoice != 0 ? 1 : 0;
    live.decoder = QW_DVR_MEDIA_OpenDecoder(deviceType, deviceSubtype, 1, bufferMode);
    int32_t result = QW_MEDIA_ERR_FAILED;
    if (live.decoder != nullptr) {
        result = QW_DVR_MEDIA_StartPlay(live.decoder, &window, 1, &channel, 1, 0);
    }
    if (result == 0) {
        result = StartStream(channel);
    }
    if (result != 0) {
        live.liveStarted = 0;
        live.stopReconnect = 1;
        if (live.decoder != nullptr) {
            QW_DVR_MEDIA_StopPlay(live.decoder, channel);
            QW_DVR_MEDIA_CloseDecoder(live.decoder);
            live.decoder = nullptr;
        }
    }
    return result;
}

int32_t CDevice::StopRealPlay(int32_t channel) {
    if (!ValidChannel(channel)) {
        return 0;
    }
    LiveChannel& live = channels_[channel];
    live.stopReconnect = 1;
    live.reconnect.Stop();
    QW_DVR_NET_StopRealAV(handle, channel);
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
        if (live.decoder != nullptr && live.liveStarted != 0) {
            QW_DVR_MEDIA_SetMute(live.decoder, j, j != channel ? 1 : 0);
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
    ShowText(kTextSnapError);
    return 0;
}

}  // namespace kestrel::client
