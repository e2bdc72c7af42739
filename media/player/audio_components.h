// The functions of the outside audio components: the audio player (plays
// the audio-player group's blocks and keeps their clock), the voice codec
// and the AMR decoder (both used by the internal decode path and by talk).
//
// Threading: each accessor may be called from any thread; the first call
// resolves the functions, later ones return the same record.
#pragma once

#include <string>

#include "qw_amr_decoder.h"
#include "qw_audio_player.h"
#include "qw_voice_engine.h"

namespace kestrel::media {

inline constexpr const char* kAudioPlayerComponent = "qw_audio_player";
inline constexpr const char* kVoiceComponent = "qw_voice_engine";
inline constexpr const char* kAmrComponent = "qw_amr_decoder";

struct AudioPlayerApi {
    QW_AUDIO_OpenAudioDecoderFn open = nullptr;
    QW_AUDIO_InputAudioBufferFn input = nullptr;
    QW_AUDIO_SetPtsFn set_pts = nullptr;
    QW_AUDIO_GetPtsFn get_pts = nullptr;
    QW_AUDIO_AudioDecGetFramesFn get_frames = nullptr;
    QW_AUDIO_AudioDecSetVolumeFn set_volume = nullptr;
    QW_AUDIO_SetMuteAudioFn set_mute = nullptr;
    QW_AUDIO_StopFileAudioFn stop_file_audio = nullptr;
    QW_AUDIO_AudioDecClearFn clear = nullptr;
    QW_AUDIO_CloseAudioDecoderFn close = nullptr;
    std::string error;
    bool Usable() const;
};

struct VoiceApi {
    QW_VOICE_CreateStateFn create = nullptr;
    QW_VOICE_DestroyStateFn destroy = nullptr;
    QW_VOICE_EncResetFn enc_reset = nullptr;
    QW_VOICE_EncodeFrameFn encode = nullptr;
    QW_VOICE_DecodeFrameFn decode = nullptr;
    std::string error;
    bool Usable() const;
};

struct AmrApi {
    AMR_Decode_InitFn init = nullptr;
    AMR_Decode_ExitFn exit = nullptr;
    AMR_Get_LengthFn get_length = nullptr;
    AMR_Decode_FrameFn decode = nullptr;
    std::string error;
    bool Usable() const;
};

const AudioPlayerApi& AudioPlayer();
const VoiceApi& VoiceCodec();
const AmrApi& AmrDecoder();

}  // namespace kestrel::media
