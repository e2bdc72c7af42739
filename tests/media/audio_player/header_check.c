/* Compiled as C: the component's header must stay plain C, and its function
 * pointer types must match the declarations. */
#include "qw_audio_player.h"

#define QWAUDIO_SAME_SHAPE(fn, type) _Generic(&fn, type : 1, default : 0)

_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_OpenAudioDecoder, QW_AUDIO_OpenAudioDecoderFn), "Open");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_InputAudioBuffer, QW_AUDIO_InputAudioBufferFn), "Input");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_SetPts, QW_AUDIO_SetPtsFn), "SetPts");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_GetPts, QW_AUDIO_GetPtsFn), "GetPts");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_AudioDecGetFrames, QW_AUDIO_AudioDecGetFramesFn),
               "GetFrames");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_AudioDecSetVolume, QW_AUDIO_AudioDecSetVolumeFn),
               "SetVolume");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_SetMuteAudio, QW_AUDIO_SetMuteAudioFn), "SetMute");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_StopFileAudio, QW_AUDIO_StopFileAudioFn), "Stop");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_AudioDecClear, QW_AUDIO_AudioDecClearFn), "Clear");
_Static_assert(QWAUDIO_SAME_SHAPE(QW_AUDIO_CloseAudioDecoder, QW_AUDIO_CloseAudioDecoderFn),
               "Close");

int qwaudio_header_check_anchor;
