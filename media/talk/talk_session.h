// What a QW_TALK_HANDLE points to: the microphone encoded into talk packets
// for the caller's send function, and received talk audio reassembled and
// played through a live decoder of the audio player component.
//
// Threads:
//   - Capture: SDL's capture thread (owned by MicCapture) encodes each 40 ms
//     frame and calls the send function on itself. It starts in Open and is
//     ended and waited for first thing in the destructor, so no send runs
//     once the destructor has begun its work on the rest.
//   - Playback of received audio: the audio player's device thread, owned by
//     the decoder from Open to the destructor.
//   - Input may come from any thread (calls are serialised by a lock); Play
//     runs on the caller's thread. Neither may run during destruction.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "audio_components.h"
#include "kestrel_media.h"
#include "mic_capture.h"
#include "talk_assembler.h"
#include "talk_packet.h"

namespace kestrel::media {

// Inputs this large or larger are ignored.
constexpr size_t kTalkInputLimit = TalkAssembler::kCapacity;
// Channels a talk attribute record may name (its first word).
constexpr int32_t kTalkChannels = 16;

class TalkSession {
public:
    // nullptr when attributes or send is missing, the channel (first word)
    // is outside 0..15, a component or the receive decoder cannot be had,
    // or memory runs out. A decoder_mode other than 0 or 1 counts as 0. No
    // capture device is no failure: the session then sends nothing.
    static std::unique_ptr<TalkSession> Open(const int32_t* attributes, QW_MEDIA_TALK_SEND send,
                                             int32_t decoder_mode, void* user);
    // Stops capture, closes the decoder and frees the encoder.
    ~TalkSession();
    TalkSession(const TalkSession&) = delete;
    TalkSession& operator=(const TalkSession&) = delete;

    // Received talk bytes, in pieces of any size.
    void Input(std::span<const uint8_t> data, uint32_t stamp_low, uint32_t stamp_high);
    // Plays the playback buffer once on an output of its own.
    void Play();
    bool Capturing() const { return mic_.IsOpen(); }

private:
    TalkSession(QW_MEDIA_TALK_SEND send, void* user);
    static void OnFrame(void* self, std::span<const int16_t, kMicFrameSamples> frame);

    const AudioPlayerApi& player_;
    const VoiceApi& voice_;
    QW_MEDIA_TALK_SEND send_;
    void* user_;
    QwAudioDecoder* decoder_ = nullptr;
    QwVoiceState* encoder_ = nullptr;  // capture thread once capture runs

    std::mutex input_lock_;  // serialises Input
    std::unique_ptr<TalkAssembler> assembler_;

    // Play's buffer: it starts empty and nothing fills it, so Play plays
    // nothing.
    std::vector<int16_t> playback_;

    // Capture thread only.
    uint64_t next_stamp_ = 0;
    uint8_t frame_[QWVOICE_MAX_FRAME_BYTES] = {};
    uint8_t packet_[TalkPacketSize(QWVOICE_MAX_FRAME_BYTES)] = {};

    MicCapture mic_;  // last member: its thread uses all of the above
};

}  // namespace kestrel::media
