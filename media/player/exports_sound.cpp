// Sound of live channels: open, close, volume and mute.
#include "decoder_handle.h"

using namespace kestrel::media;

extern "C" {

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_OpenSound(QW_DECODER_HANDLE decoder, int32_t channel) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->OpenSound(channel); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseSound(QW_DECODER_HANDLE decoder, int32_t channel) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->CloseSound(channel); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetVolume(QW_DECODER_HANDLE decoder, int32_t channel,
                                                      int32_t volume) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->SetVolume(channel, volume); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetMute(QW_DECODER_HANDLE decoder, int32_t channel,
                                                    int32_t mute) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->SetMute(channel, mute); });
}

}  // extern "C"
