#include "device.h"

#include "channel_counts.h"
#include "client_context.h"
#include "kestrel_recorder_traits.h"

namespace kestrel::client {

CDevice::CDevice(uint32_t subtypeCode, QW_DVR_HANDLE openHandle, std::string address, int32_t port,
                 uint32_t typeCode)
    : handle(openHandle),
      ip(std::move(address)),
      mediaPort(port),
      deviceType(typeCode),
      deviceSubtype(subtypeCode),
      channelCount(ResolveChannelCount(subtypeCode, openHandle)) {
    // Made now, while nothing else runs: a start then only wakes its worker.
    for (int32_t channel = 0; ValidChannel(channel); ++channel) {
        channels_[channel].streamWorker.Launch();
    }
}

void CDevice::StopHandleUse() {
    for (LiveChannel& live : channels_) {
        {
            std::lock_guard<std::mutex> lock(live.streamLock);
            ++live.generation;
        }
        live.streamWorker.Stop();
    }
    std::lock_guard<std::mutex> lock(talkSendLock_);
    talkSending_ = false;
}

CDevice::~CDevice() {
    // The protocol handle is closed by now, so no callback can start a round.
    for (LiveChannel& live : channels_) {
        live.streamWorker.Stop();
        std::lock_guard<std::mutex> lock(live.decodeLock);
        if (live.decoder != nullptr) {
            QW_DVR_MEDIA_StopPlay(live.decoder, static_cast<int32_t>(&live - channels_.data()));
            QW_DVR_MEDIA_CloseDecoder(live.decoder);
            live.decoder = nullptr;
        }
    }
    for (LiveChannel& live : channels_) {
        std::lock_guard<std::mutex> lock(live.recordLock);
        live.recorder.reset();  // finalises the file
    }
    if (talkMedia_ != nullptr) {
        QW_DVR_MEDIA_CloseTalk(talkMedia_);
    }
}

bool CDevice::ValidChannel(int32_t channel) const {
    return channel >= 0 && channelCount >= 0 && channel < channelCount &&
           channel < kMaxDeviceChannels;
}

bool CDevice::LiveStarted(int32_t channel) const {
    return ValidChannel(channel) && channels_[channel].liveStarted != 0;
}

bool CDevice::Recording(int32_t channel) const {
    return ValidChannel(channel) && channels_[channel].recording != 0;
}

bool CDevice::SoundOn(int32_t channel) const {
    return ValidChannel(channel) && channels_[channel].soundOn != 0;
}

std::string CDevice::RecordFileName(int32_t channel) const {
    return ValidChannel(channel) ? channels_[channel].recordFileName : std::string();
}

void CDevice::SetDisplayEnabled(const uint8_t enabled[kMaxDeviceChannels]) {
    for (int i = 0; i < kMaxDeviceChannels; ++i) {
        channels_[i].displayEnabled = enabled[i];
    }
}

bool CDevice::DisplayEnabled(int32_t channel) const {
    return ValidChannel(channel) && channels_[channel].displayEnabled != 0;
}

QW_DECODER_HANDLE CDevice::Decoder(int32_t channel) {
    if (!ValidChannel(channel)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(channels_[channel].decodeLock);
    return channels_[channel].decoder;
}

int32_t CDevice::SoundChannel(int32_t channel) const {
    return RecorderType(deviceType).single_sound_channel ? 0 : channel;
}

void CDevice::NotifyText(int textId) const {
    if (context != nullptr) {
        context->NotifyText(textId);
    }
}

void CDevice::Log(const std::string& text) const {
    if (context != nullptr) {
        context->WriteLog(text);
    }
}

}  // namespace kestrel::client
