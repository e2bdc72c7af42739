/* Compiled as C, never linked: the media library's public header must stay
 * plain C and live beside the protocol library's header (the media header
 * comes first so the protocol header's unguarded macro definitions must
 * match it). Every export's address is taken so a missing or unparsable
 * declaration breaks the build. */
#include "kestrel_media.h"
#include "kestrel_net.h"

#include <stddef.h>

typedef void (*AnyFunction)(void);

static const AnyFunction kMediaExports[] = {
    (AnyFunction)QW_DVR_MEDIA_GetDecoderSDKVersion,
    (AnyFunction)QW_DVR_MEDIA_OpenDecoder,
    (AnyFunction)QW_DVR_MEDIA_OpenFileDecoderRP3,
    (AnyFunction)QW_DVR_MEDIA_SetFileLengthRP3,
    (AnyFunction)QW_DVR_MEDIA_CloseDecoder,
    (AnyFunction)QW_DVR_MEDIA_StartPlay,
    (AnyFunction)QW_DVR_MEDIA_StopPlay,
    (AnyFunction)QW_DVR_MEDIA_InputDataToDecoder,
    (AnyFunction)QW_DVR_MEDIA_RegistFilePlayInfoCallBack,
    (AnyFunction)QW_DVR_MEDIA_PCPause,
    (AnyFunction)QW_DVR_MEDIA_PCSetDirection,
    (AnyFunction)QW_DVR_MEDIA_PCSetRate,
    (AnyFunction)QW_DVR_MEDIA_PCSetFrameInterval,
    (AnyFunction)QW_DVR_MEDIA_PCSetPos,
    (AnyFunction)QW_DVR_MEDIA_PCNextFrame,
    (AnyFunction)QW_DVR_MEDIA_PCPrevFrame,
    (AnyFunction)QW_DVR_MEDIA_OpenSound,
    (AnyFunction)QW_DVR_MEDIA_CloseSound,
    (AnyFunction)QW_DVR_MEDIA_SetVolume,
    (AnyFunction)QW_DVR_MEDIA_SetMute,
    (AnyFunction)QW_DVR_MEDIA_OpenTalk,
    (AnyFunction)QW_DVR_MEDIA_InputTalkData,
    (AnyFunction)QW_DVR_MEDIA_TalkPlay,
    (AnyFunction)QW_DVR_MEDIA_CloseTalk,
    (AnyFunction)QW_DVR_MEDIA_CaptureVideoImage,
    (AnyFunction)QW_DVR_MEDIA_Save2BMPFile,
    (AnyFunction)QW_DVR_MEDIA_SetOsd,
    (AnyFunction)QW_DVR_MEDIA_SetShowInfo,
    (AnyFunction)QW_DVR_MEDIA_SetChBrightness,
    (AnyFunction)QW_DVR_MEDIA_SetBrightness,
};

_Static_assert(sizeof(kMediaExports) / sizeof(kMediaExports[0]) == 30, "media export count");

/* The talk record is shared with the protocol library. */
_Static_assert(sizeof(TalkAttributes) == QW_MEDIA_TALK_ATTRIBUTE_WORDS * sizeof(int32_t),
               "talk attribute record size");

/* Recording times are six bytes in files and notifications. */
_Static_assert(sizeof(QwMediaTime) == 6, "recording time size");

/* Codes shared by both libraries must keep one value. */
_Static_assert(QW_MEDIA_ERR_BAD_ARGUMENT == QW_NET_ERR_BAD_ARGUMENT, "bad argument code");
_Static_assert(QW_MEDIA_ERR_FILE_OPEN == QW_NET_ERR_FILE_OPEN, "file open code");
_Static_assert(QW_MEDIA_ERR_BAD_ARGUMENT < 0 && QW_MEDIA_ERR_TIMER < 0 &&
                   QW_MEDIA_ERR_FILE_FORMAT < 0,
               "failures are negative");

/* The window formats are distinct bits. */
_Static_assert((KM_FORMAT_YUY2 & KM_FORMAT_RGB32) == 0 &&
                   ((KM_FORMAT_YUY2 | KM_FORMAT_RGB32) & KM_FORMAT_I420) == 0,
               "format bits");

/* Callback types must accept the caller's functions without casts. */
static int32_t QW_CDECL play_info(void* user, const QwPlayInfo* info) {
    (void)user;
    return info->code;
}
static void QW_CALLBACK talk_send(void* user, const uint8_t* packet, int32_t length,
                                  uint32_t stamp_low, uint32_t stamp_high) {
    (void)user, (void)packet, (void)length, (void)stamp_low, (void)stamp_high;
}
static void QW_CALLBACK present(void* user, uint32_t format, const uint8_t* pixels, int32_t width,
                                int32_t height, int32_t stride) {
    (void)user, (void)format, (void)pixels, (void)width, (void)height, (void)stride;
}
static void QW_CALLBACK clear(void* user) {
    (void)user;
}

const QW_MEDIA_PLAYINFO_CALLBACK kestrel_media_play_info_check = play_info;
const QW_MEDIA_TALK_SEND kestrel_media_talk_send_check = talk_send;
const KmVideoWindow kestrel_media_window_check = {NULL, KM_FORMAT_YUY2 | KM_FORMAT_RGB32, present,
                                                  clear};

size_t kestrel_media_export_count(void);
size_t kestrel_media_export_count(void) {
    size_t n = 0;
    for (size_t i = 0; i < sizeof(kMediaExports) / sizeof(kMediaExports[0]); ++i) {
        n += kMediaExports[i] != NULL;
    }
    return n;
}
