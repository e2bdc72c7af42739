// The audio player component as the media library loads it, and a decoder
// wrapper that plays blocks into SDL's disk driver and hands back what the
// device was given.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "qw_audio_player.h"

namespace kestrel::media::audio_test {

struct PlayerComponent {
    platform::SharedLibrary library;
    QW_AUDIO_OpenAudioDecoderFn open = nullptr;
    QW_AUDIO_InputAudioBufferFn input = nullptr;
    QW_AUDIO_SetPtsFn set_pts = nullptr;
    QW_AUDIO_GetPtsFn get_pts = nullptr;
    QW_AUDIO_AudioDecGetFramesFn frames = nullptr;
    QW_AUDIO_AudioDecSetVolumeFn volume = nullptr;
    QW_AUDIO_SetMuteAudioFn mute = nullptr;
    QW_AUDIO_StopFileAudioFn stop = nullptr;
    QW_AUDIO_AudioDecClearFn clear = nullptr;
    QW_AUDIO_CloseAudioDecoderFn close = nullptr;

    bool Complete() const;
};

// Loaded once from the test program's folder and kept, as the media
// library keeps its components.
PlayerComponent& Player();

// One decoder writing to SDL's disk driver at output (SDL_AUDIODRIVER and
// SDL_DISKAUDIOFILE are set before it opens).
class DiskPlayer {
public:
    DiskPlayer(const std::string& output, int32_t buffer_mode, int32_t live);
    ~DiskPlayer();
    DiskPlayer(const DiskPlayer&) = delete;
    DiskPlayer& operator=(const DiskPlayer&) = delete;

    QwAudioDecoder* get() const { return decoder_; }
    int32_t Feed(const std::vector<uint8_t>& block, uint64_t stamp = 0) const;
    std::pair<uint64_t, uint64_t> Pts() const;
    // Waits until nothing is queued and the device has had time to play
    // its buffer; false on timeout.
    bool WaitPlayed(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Closes the decoder and returns the samples the device wrote.
    std::vector<int16_t> CloseAndRead();

private:
    std::string output_;
    QwAudioDecoder* decoder_ = nullptr;
};

}  // namespace kestrel::media::audio_test
