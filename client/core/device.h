// The client's object for one open recorder: it owns the protocol library
// handle and, for each of up to 16 channels, the live stream state (decoder,
// stream header hold-back, local recording, stream sound, reconnect worker),
// and it carries the talk link.
//
// Threading: the GUI thread makes every call except the entries the
// libraries call on their own threads: OnRealData (a channel's receiver
// thread), RecvAudioData (the talk receiver thread) and PutDataInNet (the
// media library's capture thread). Each channel's reconnect worker is a
// thread owned by the object; StopRealPlay and the destructor join it.
//
// Lifetime: made by ClientContext::GetDevice after a successful open;
// ClientContext::Close calls StopHandleUse, closes the protocol handle (so no
// callback runs any more) and then destroys it; the destructor makes no
// protocol call.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_channel.h"

namespace kestrel::client {

class ClientContext;

constexpr int kMaxDeviceChannels = 16;
// Recorder type whose stream sound and recording always address channel 0.
constexpr uint32_t kSingleSoundChannelType = 0x01000102;
// Free bytes on the record drive at or below which recording must stop.
constexpr int64_t kLowDiskBytes = 524288000;

class CDevice {
public:
    CDevice(uint32_t deviceSubtype, QW_DVR_HANDLE handle, std::string ip, int32_t mediaPort,
            uint32_t deviceType);
    ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    void SetContext(ClientContext* owner) { context = owner; }
    // Ends every use of the protocol handle from threads other than the
    // caller's (reconnect workers, microphone blocks), so that the handle
    // can be closed without a call racing with it. GUI thread.
    void StopHandleUse();

    // ---- Live view (channel is 0-based; outside 0..channelCount-1 refused) --
    // 0 on success, else the failing library result (QW_NET_ERR_BAD_ARGUMENT
    // for a bad channel). window is borrowed until StopRealPlay.
    int32_t StartRealPlay(KmVideoWindow* window, int32_t channel);
    // Ends the stream and its reconnect worker, closes the decoder: 1, or 0
    // for a bad channel.
    int32_t StopRealPlay(int32_t channel);
    // Only channel is audible among the playing channels.
    void SelectSoundChannel(int32_t channel);
    // Asks the recorder for channel's sound, closing every other's first: 1/0.
    int32_t OpenStreamSound(int32_t channel);
    int32_t CloseAllStreamSound();
    int32_t PtzAction(int32_t channel, int32_t command, int32_t speed);
    // Copies the channel's picture (24-bit rows, bottom first): 1, or 0 with
    // "Snap Error!" shown when the channel has no running decoder.
    int32_t CaptureImage(int32_t channel, uint8_t* buffer, int32_t* width, int32_t* height);

    // ---- Talk -----------------------------------------------------------------
    int32_t ToggleTalk();
    int32_t StopTalk();

    // ---- Local recording ------------------------------------------------------
    // Starts (or, when on, stops) recording a playing channel into a new file
    // named by the current time: 1, or 0 when not playing or the file cannot
    // be created.
    int32_t StartRecord(int32_t channel);
    int32_t StopRecord(int32_t channel);

    // ---- Library entries ---------------------------------------------------
    static void QW_CALLBACK OnRealData(QW_DVR_HANDLE device, int32_t channel, int32_t dataType,
                                       const unsigned char* data, int32_t length, void* user);
    static void QW_CALLBACK PutDataInNet(void* user, const uint8_t* data, int32_t length,
                                         uint32_t stampLow, uint32_t stampHigh);
    static void QW_CALLBACK RecvAudioData(void* user, TalkDataRecord* record);

    // For callers and tests: channel is in range, playing, recording.
    bool ValidChannel(int32_t channel) const;
    bool LiveStarted(int32_t channel) const;
    bool Recording(int32_t channel) const;
    bool SoundOn(int32_t channel) const;
    // Current record file of a channel (empty when it never recorded).
    std::string RecordFileName(int32_t channel) const;
    // The live page copies the user's 16 preview permissions here.
    void SetDisplayEnabled(const uint8_t enabled[kMaxDeviceChannels]);
    bool DisplayEnabled(int32_t channel) const;
    QW_DECODER_HANDLE Decoder(int32_t channel);  // null when not started
    QW_TALK_HANDLE TalkMedia() const { return talkMedia_; }

    // ---- Fields ----------------------------------------------------------------
    std::atomic<int32_t> talkOn{0};
    QW_DVR_HANDLE handle;
    std::string ip;
    int32_t mediaPort;
    uint32_t deviceType;
    uint32_t deviceSubtype;
    int32_t channelCount;  // 1, 4, 8 or 16
    ClientContext* context = nullptr;

private:
    int32_t StreamNumber() const;
    int32_t StartStream(int32_t channel);
    ReconnectWorker::Outcome ReconnectAttempt(int32_t channel);
    void OnBlock(int32_t channel, const uint8_t* data, int32_t length);
    void OnBreak(int32_t channel);
    // Hands a block to the channel's recording; the recording's folder, or
    // empty when none records.
    std::string RecordBlock(LiveChannel& live, const uint8_t* data, size_t length, bool headerFull);
    void CheckFreeSpace(int32_t channel, const std::string& folder);
    void OnTalkData(TalkDataRecord* record);
    void ShowText(int textId) const;  // a message box with a string-table text
    void Log(const std::string& text) const;
    // The channel that stream sound and recording address.
    int32_t SoundChannel(int32_t channel) const;

    std::array<LiveChannel, kMaxDeviceChannels> channels_;
    QW_TALK_HANDLE talkMedia_ = nullptr;  // opened by the first talk start
    // The microphone keeps running while talk is off; its blocks go out only
    // while the link is open, and never while it is being closed.
    std::mutex talkSendLock_;
    bool talkSending_ = false;  // guarded by talkSendLock_
};

}  // namespace kestrel::client
