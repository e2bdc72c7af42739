// The client's object for one open recorder: it owns the protocol library
// handle and, for each of up to 16 channels, the live stream state (decoder,
// stream header hold-back, local recording, stream sound, stream worker),
// and it carries the talk link.
//
// Threading: the GUI thread makes every call except the entries the
// libraries call on their own threads: OnRealData (a channel's receiver
// thread), RecvAudioData (the talk receiver thread) and PutDataInNet (the
// media library's capture thread). Each channel's stream worker is a thread
// the object makes when it is made and keeps idle between rounds: it opens
// the channel's decoder and connects its stream, so that no GUI call waits
// for either; StopRealPlay never waits for it, StopHandleUse and the
// destructor join it. Texts for the operator go to the main window as posted
// notices (ClientContext::NotifyText), never as a box inside a call.
//
// Lifetime: made by ClientContext::AdoptDevice after a successful open;
// ClientContext::Close calls StopHandleUse, closes the protocol handle (so no
// callback runs any more) and then destroys it; the destructor makes no
// protocol call. Timers it set on the GUI thread do nothing once it is gone.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_channel.h"

namespace kestrel::client {

class ClientContext;

constexpr int kMaxDeviceChannels = 16;
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
    // caller's (stream workers, microphone blocks), so that the handle can be
    // closed without a call racing with it. GUI thread; waits for a connect
    // in progress (bounded by the library's time-outs).
    void StopHandleUse();

    // ---- Live view (channel is 0-based; outside 0..channelCount-1 refused) --
    // Hands the start to the channel's stream worker, which opens the decoder
    // and connects the stream: 0 when the start is under way, its result
    // following as UM_REAL_PLAY_DONE to the live view (0, or the failing
    // media or library result, the decoder then closed again); else the
    // failing result at once (QW_NET_ERR_BAD_ARGUMENT for a bad channel,
    // QW_NET_ERR_STREAM_RUNNING while a start runs or is under way). window
    // is borrowed until StopRealPlay.
    int32_t StartRealPlay(KmVideoWindow* window, int32_t channel);
    // Ends the stream, cancels the worker's rounds and closes the decoder: 1,
    // or 0 for a bad channel. Never waits for a connect in progress: its
    // worker closes that stream when the connect ends.
    int32_t StopRealPlay(int32_t channel);
    // Only channel is audible among the playing channels. The others'
    // sound outputs are closed, not muted: a computer opens few outputs at
    // once (16 with SDL), and talk needs two more while 16 channels play.
    // A bad channel closes every output.
    void SelectSoundChannel(int32_t channel);
    // Closes every playing channel's sound output (the speaker is off).
    void CloseAllSoundOutputs() { SelectSoundChannel(-1); }
    // Asks the recorder for channel's sound, closing every other's first: 1/0.
    int32_t OpenStreamSound(int32_t channel);
    int32_t CloseAllStreamSound();
    int32_t PtzAction(int32_t channel, int32_t command, int32_t speed);
    // Copies the channel's picture (24-bit rows, bottom first): 1, or 0 with
    // "Snap Error!" shown when the channel has no running decoder.
    int32_t CaptureImage(int32_t channel, uint8_t* buffer, int32_t* width, int32_t* height);

    // ---- Talk -----------------------------------------------------------------
    // Starts talk, or stops it when on: 1, or 0 with a notice. A start within
    // the pause after a close is refused as busy.
    int32_t ToggleTalk();
    // Closes the talk link: 1, or 0 when it never opened or the close failed.
    // The recorder then gets a pause (a timer) before the next start.
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
    // The settings pages' copy targets: nonzero for a channel the copy
    // dialog ticked. GUI thread.
    std::array<uint32_t, kMaxDeviceChannels> copyFlags{};
    ClientContext* context = nullptr;

private:
    using Outcome = ReconnectWorker::Outcome;

    // What a start asks for now, from the login's choices.
    StreamRequest CurrentStreamRequest() const;
    int32_t StartStream(int32_t channel, const StreamRequest& request);
    // The stream worker's rounds for one generation of a channel.
    Outcome StartAttempt(int32_t channel, uint32_t generation, KmVideoWindow* window,
                         int32_t bufferMode);
    Outcome ReconnectAttempt(int32_t channel, uint32_t generation);
    // Opens and starts the channel's decoder: the media result, or nothing
    // when the generation ended before.
    std::optional<int32_t> StartDecoder(int32_t channel, uint32_t generation, KmVideoWindow* window,
                                        int32_t bufferMode);
    // Enters a start or stop call of the stream for generation: false when
    // the channel was stopped or started anew since. takeData lets the
    // receiver's blocks through again.
    bool EnterStreamCall(LiveChannel& live, uint32_t generation, bool takeData,
                         StreamRequest* request);
    // Leaves it: false when the generation ended meanwhile, in which case the
    // worker must close the stream (CloseStaleStream).
    bool LeaveStreamCall(LiveChannel& live, uint32_t generation);
    void CloseStaleStream(LiveChannel& live, int32_t channel);
    // Closes the decoder of a start whose stream did not come, unless the
    // channel was stopped or started anew since: true when it did.
    bool AbandonStart(int32_t channel, uint32_t generation);
    void OnBlock(int32_t channel, const uint8_t* data, int32_t length);
    void OnBreak(int32_t channel);
    // Hands a block to the channel's recording; the recording's folder, or
    // empty when none records.
    std::string RecordBlock(LiveChannel& live, const uint8_t* data, size_t length, bool headerFull);
    void CheckFreeSpace(int32_t channel, const std::string& folder);
    void OnTalkData(TalkDataRecord* record);
    void NotifyText(int textId) const;  // a posted notice with a string-table text
    void Log(const std::string& text) const;
    // The channel that stream sound and recording address.
    int32_t SoundChannel(int32_t channel) const;

    std::array<LiveChannel, kMaxDeviceChannels> channels_;
    QW_TALK_HANDLE talkMedia_ = nullptr;  // opened by the first talk start
    // The microphone keeps running while talk is off; its blocks go out only
    // while the link is open, and never while it is being closed.
    std::mutex talkSendLock_;
    bool talkSending_ = false;  // guarded by talkSendLock_
    bool talkClosing_ = false;  // GUI thread: the pause after a close runs
    // Timers hold it weakly: a timer that fires after the object is gone
    // does nothing.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace kestrel::client
