// Local recording of a device object's live channels into record files.
#include <chrono>
#include <cstdio>
#include <thread>

#include "client_context.h"
#include "device.h"
#include "record_names.h"

namespace kestrel::client {

int32_t CDevice::StartRecord(int32_t channel) {
    if (!ValidChannel(channel) || context == nullptr) {
        return 0;
    }
    channel = SoundChannel(channel);
    LiveChannel& live = channels_[channel];
    if (live.liveStarted == 0) {
        return 0;
    }
    if (live.recording != 0) {
        StopRecord(channel);
        return 1;
    }
    const platform::LocalTime now = context->Seams().now();
    const std::string folder = RecordFolder(context->videoPath, ip, now, channel);
    context->MakePath(folder);
    const std::string fileName = folder + client::RecordFileName(channel, now);

    auto writer = std::make_unique<RecordFileWriter>();
    char text[96];
    if (!writer->Open(fileName, channel)) {
        std::snprintf(text, sizeof text, "录像文件无法创建:%d ", channel);
        Log(text + writer->LastError() + " " + fileName + "\r\n");
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(live.recordLock);
        live.recorder = std::move(writer);  // closes a writer left from before
        live.headerWritten = false;
        live.recordFolder = folder;
    }
    std::snprintf(text, sizeof text, "开启录像通道:%d\r\n", channel);
    Log(text);
    live.recordFileName = fileName;
    // Set after the writer is in place, so the callback never sees the flag
    // without a writer.
    live.recording = 1;
    return 1;
}

int32_t CDevice::StopRecord(int32_t channel) {
    if (!ValidChannel(channel)) {
        return 0;
    }
    channel = SoundChannel(channel);
    LiveChannel& live = channels_[channel];
    {
        std::lock_guard<std::mutex> lock(live.recordLock);
        if (live.recorder) {
            live.recorder->Close();
            live.recorder.reset();
            char text[64];
            std::snprintf(text, sizeof text, "关闭录像通道:%d\r\n", channel);
            Log(text);
        }
        live.recording = 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

}  // namespace kestrel::client
