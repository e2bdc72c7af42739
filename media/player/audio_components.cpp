#include "audio_components.h"

#include "component_library.h"

namespace kestrel::media {
namespace {

template <typename Fn>
Fn Resolve(const char* component, const char* symbol, std::string* error) {
    return reinterpret_cast<Fn>(ComponentSymbol(component, symbol, error));
}

AudioPlayerApi* LoadAudioPlayer() {
    auto* api = new AudioPlayerApi;  // shared by every channel, never freed
    const char* c = kAudioPlayerComponent;
    std::string* e = &api->error;
    api->open = Resolve<QW_AUDIO_OpenAudioDecoderFn>(c, "QW_AUDIO_OpenAudioDecoder", e);
    api->input = Resolve<QW_AUDIO_InputAudioBufferFn>(c, "QW_AUDIO_InputAudioBuffer", e);
    api->set_pts = Resolve<QW_AUDIO_SetPtsFn>(c, "QW_AUDIO_SetPts", e);
    api->get_pts = Resolve<QW_AUDIO_GetPtsFn>(c, "QW_AUDIO_GetPts", e);
    api->get_frames = Resolve<QW_AUDIO_AudioDecGetFramesFn>(c, "QW_AUDIO_AudioDecGetFrames", e);
    api->set_volume = Resolve<QW_AUDIO_AudioDecSetVolumeFn>(c, "QW_AUDIO_AudioDecSetVolume", e);
    api->set_mute = Resolve<QW_AUDIO_SetMuteAudioFn>(c, "QW_AUDIO_SetMuteAudio", e);
    api->stop_file_audio = Resolve<QW_AUDIO_StopFileAudioFn>(c, "QW_AUDIO_StopFileAudio", e);
    api->clear = Resolve<QW_AUDIO_AudioDecClearFn>(c, "QW_AUDIO_AudioDecClear", e);
    api->close = Resolve<QW_AUDIO_CloseAudioDecoderFn>(c, "QW_AUDIO_CloseAudioDecoder", e);
    return api;
}

VoiceApi* LoadVoice() {
    auto* api = new VoiceApi;
    const char* c = kVoiceComponent;
    std::string* e = &api->error;
    api->create = Resolve<QW_VOICE_CreateStateFn>(c, "QW_VOICE_CreateState", e);
    api->destroy = Resolve<QW_VOICE_DestroyStateFn>(c, "QW_VOICE_DestroyState", e);
    api->enc_reset = Resolve<QW_VOICE_EncResetFn>(c, "QW_VOICE_EncReset", e);
    api->encode = Resolve<QW_VOICE_EncodeFrameFn>(c, "QW_VOICE_EncodeFrame", e);
    api->decode = Resolve<QW_VOICE_DecodeFrameFn>(c, "QW_VOICE_DecodeFrame", e);
    return api;
}

AmrApi* LoadAmr() {
    auto* api = new AmrApi;
    const char* c = kAmrComponent;
    std::string* e = &api->error;
    api->init = Resolve<AMR_Decode_InitFn>(c, "AMR_Decode_Init", e);
    api->exit = Resolve<AMR_Decode_ExitFn>(c, "AMR_Decode_Exit", e);
    api->get_length = Resolve<AMR_Get_LengthFn>(c, "AMR_Get_Length", e);
    api->decode = Resolve<AMR_Decode_FrameFn>(c, "AMR_Decode_Frame", e);
    return api;
}

}  // namespace

bool AudioPlayerApi::Usable() const {
    return open && input && set_pts && get_pts && get_frames && set_volume && set_mute &&
           stop_file_audio && clear && close;
}

bool VoiceApi::Usable() const {
    return create && destroy && enc_reset && encode && decode;
}

bool AmrApi::Usable() const {
    return init && exit && get_length && decode;
}

const AudioPlayerApi& AudioPlayer() {
    static const AudioPlayerApi* api = LoadAudioPlayer();
    return *api;
}

const VoiceApi& VoiceCodec() {
    static const VoiceApi* api = LoadVoice();
    return *api;
}

const AmrApi& AmrDecoder() {
    static const AmrApi* api = LoadAmr();
    return *api;
}

}  // namespace kestrel::media
