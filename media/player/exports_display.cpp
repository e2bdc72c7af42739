// On-screen text, show-info and brightness.
#include "decoder_handle.h"
#include "library_state.h"

using namespace kestrel::media;

namespace {

constexpr int32_t kFileShowInfoResult = 1;
constexpr int32_t kLegacyBrightnessLimit = 16;

}  // namespace

extern "C" {

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetOsd(QW_DECODER_HANDLE decoder, int32_t channel,
                                                   int32_t enable, const char* text,
                                                   int32_t position, int32_t colour) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaNotAvailable, [&] {
        StreamDecoder* display = FromHandle(decoder)->Display();
        if (display == nullptr) {
            return channel < 0 || channel >= kChannelSlots ? kMediaBadArgument : kMediaFailed;
        }
        return display->SetOsd(channel, enable, text, position, colour);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetShowInfo(QW_DECODER_HANDLE decoder, int32_t flag) {
    if (decoder == nullptr) {
        Library().show_info_default.store(flag);
        return kMediaOk;
    }
    if (FromHandle(decoder)->IsFile()) {
        return kFileShowInfoResult;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->SetShowInfo(flag); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetChBrightness(QW_DECODER_HANDLE decoder,
                                                            int32_t channel, int32_t brightness) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable,
                   [&] { return FromHandle(decoder)->Live()->SetBrightness(channel, brightness); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetBrightness(int32_t flag, int32_t brightness) {
    if (flag != 0 && brightness >= 0 && brightness < kLegacyBrightnessLimit) {
        return kMediaNotAvailable;
    }
    return kMediaBadArgument;
}

}  // extern "C"
