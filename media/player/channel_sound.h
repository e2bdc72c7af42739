// The sound of one channel: the audio-player group hands its blocks to the
// outside audio player (which also keeps the audio clock the video follows);
// the other types decode blocks here (AMR, the voice codec or IMA ADPCM)
// into a PCM ring that a wave output plays.
//
// Threading: Input comes from the input thread, Open/Close/volume from the
// caller's or the channel's thread, the clock calls from the channel
// thread; one lock guards the state. The wave output's device thread only
// touches the ring.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>

#include "audio_components.h"
#include "pcm_ring.h"
#include "wave_output.h"

namespace kestrel::media {

struct AudioClock {
    uint64_t pts_us = 0;
    uint64_t next_pts_us = 0;
    int32_t held_frames = -1;  // queued blocks; -1 without an audio player
    bool ever_held = false;    // the player has held a block since opening
};

class ChannelSound {
public:
    ChannelSound(uint32_t type_code, uint32_t subtype_code);
    ~ChannelSound();  // closes the sound and the audio player
    ChannelSound(const ChannelSound&) = delete;
    ChannelSound& operator=(const ChannelSound&) = delete;

    // Opens the sound output for the channel's type; 0 also when it was
    // open. kMediaNotAvailable when the type has no sound, kMediaFailed when
    // no output device or component could be opened.
    int32_t Open(int32_t buffer_mode, bool live, int volume);
    void Close();
    bool IsOpen() const;

    void SetVolume(int volume);
    int32_t SetMute(bool mute);

    // One codec block with the stream's running audio time stamp.
    void Input(int codec_type, std::span<const uint8_t> block, uint64_t pts_us);
    // Drops queued sound (a flush, the first picture).
    void Clear();

    // Audio clock of the audio-player group.
    void SetVideoPts(uint64_t pts_us, uint64_t next_pts_us);
    AudioClock Clock();
    // Fast file playback: 1 stops file audio, 0 resumes, 2 drops what is queued.
    void StopFileAudio(int32_t mode);

private:
    void DecodeInternally(int codec_type, std::span<const uint8_t> block);
    void CloseLocked();

    const uint32_t type_code_;
    const uint32_t subtype_code_;
    const bool uses_audio_player_;
    mutable std::mutex mutex_;
    // All below guarded by mutex_.
    bool open_ = false;
    bool muted_ = false;
    int volume_ = 0;
    QwAudioDecoder* audio_ = nullptr;  // stays open until destruction
    bool audio_ever_held_ = false;
    std::unique_ptr<PcmRing> ring_;
    std::unique_ptr<WaveOutput> output_;
    QwVoiceState* voice_ = nullptr;
    QwAmrDecoder* amr_ = nullptr;
    uint64_t last_block_pts_us_ = 0;
};

}  // namespace kestrel::media
