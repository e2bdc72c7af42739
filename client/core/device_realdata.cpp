// The real-data path of a device object: live stream blocks into the
// channel's decoder and recorder, the free-space guard while recording, and
// a break handed to the channel's stream worker.
#include <algorithm>
#include <cstdio>

#include "client_context.h"
#include "device.h"
#include "page_messages.h"

namespace kestrel::client {

void QW_CALLBACK CDevice::OnRealData(QW_DVR_HANDLE, int32_t channel, int32_t,
                                     const unsigned char* data, int32_t length, void* user) {
    auto* self = static_cast<CDevice*>(user);
    if (self == nullptr || !self->ValidChannel(channel) ||
        self->channels_[channel].liveStarted == 0) {
        return;
    }
    if (length > 0 && data != nullptr) {
        self->OnBlock(channel, data, length);
    } else if (length < 0) {
        self->OnBreak(channel);
    }
}

void CDevice::OnBlock(int32_t channel, const uint8_t* data, int32_t length) {
    LiveChannel& live = channels_[channel];
    const size_t size = static_cast<size_t>(length);
    size_t headerBytes = 0;
    bool headerFull = false;
    {
        std::lock_guard<std::mutex> lock(live.decodeLock);
        headerBytes = live.streamHeader.Absorb(data, size);
        headerFull = live.streamHeader.Full();
        if (headerBytes < size && live.decoder != nullptr && live.displayEnabled != 0) {
            QW_DVR_MEDIA_InputDataToDecoder(live.decoder, QW_MEDIA_INPUT_STREAM, data + headerBytes,
                                            static_cast<int32_t>(size - headerBytes));
        }
    }
    if (live.recording != 0) {
        const std::string folder =
            RecordBlock(live, data + headerBytes, size - headerBytes, headerFull);
        if (!folder.empty()) {
            CheckFreeSpace(channel, folder);
        }
    }
}

std::string CDevice::RecordBlock(LiveChannel& live, const uint8_t* data, size_t length,
                                 bool headerFull) {
    std::lock_guard<std::mutex> lock(live.recordLock);
    if (!live.recorder) {
        return {};
    }
    if (!live.headerWritten) {
        if (!headerFull) {
            return live.recordFolder;
        }
        // decodeLock inside recordLock: the one place that needs both.
        uint8_t header[kStreamHeaderSize];
        {
            std::lock_guard<std::mutex> decode(live.decodeLock);
            std::copy(live.streamHeader.Bytes(), live.streamHeader.Bytes() + kStreamHeaderSize,
                      header);
        }
        live.recorder->Write(header, kStreamHeaderSize);
        live.headerWritten = true;
    }
    // Only what follows a stream's header: a restarted stream's header would
    // be noise between the frame records.
    if (length > 0) {
        live.recorder->Write(data, length);
    }
    return live.recordFolder;
}

void CDevice::CheckFreeSpace(int32_t channel, const std::string& folder) {
    if (context == nullptr) {
        return;
    }
    const ClientSeams& seams = context->Seams();
    const int64_t free = seams.freeBytes ? seams.freeBytes(folder) : -1;
    // Space that cannot be read counts as none.
    if (free < 0 || free <= kLowDiskBytes) {
        context->pages.Post(PageId::kLiveView, UM_DISK_SPACE_LOW, channel, 0);
    }
}

void CDevice::OnBreak(int32_t channel) {
    LiveChannel& live = channels_[channel];
    {
        std::lock_guard<std::mutex> lock(live.decodeLock);
        live.streamHeader.Reset();
    }
    char text[64];
    std::snprintf(text, sizeof text, "重新连接视频:%d\r\n", channel);
    Log(text);
    uint32_t generation = 0;
    {
        // A break of a stream that is being stopped or replaced needs no restart.
        std::lock_guard<std::mutex> lock(live.streamLock);
        if (live.streamGeneration == 0 || live.streamGeneration != live.generation) {
            return;
        }
        generation = live.generation;
    }
    live.streamWorker.Start(
        [this, channel, generation] { return ReconnectAttempt(channel, generation); });
}

}  // namespace kestrel::client
