// Exports whose machinery (file playback, talk) is not in this library yet: they check their
// arguments as they will, then report the operation as not available.
#include "decoder_handle.h"

using namespace kestrel::media;

namespace {

// Null handle: bad argument; otherwise the operation is not there yet.
int32_t NotYet(QW_DECODER_HANDLE decoder) {
    return decoder == nullptr ? kMediaBadArgument : kMediaNotAvailable;
}

}  // namespace

extern "C" {

QW_MEDIA_EXPORT QW_DECODER_HANDLE QW_API QW_DVR_MEDIA_OpenFileDecoderRP3(const char*, const char*) {
    return nullptr;
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetFileLengthRP3(QW_DECODER_HANDLE decoder, int32_t,
                                                             const char*) {
    const int32_t check = CheckLive(decoder);
    return check == kMediaOk ? kMediaNotAvailable : check;
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_RegistFilePlayInfoCallBack(QW_DECODER_HANDLE decoder,
                                                                       void*,
                                                                       QW_MEDIA_PLAYINFO_CALLBACK) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    return FromHandle(decoder)->IsFile() ? kMediaNotAvailable : kMediaFailed;
}

// The PC... exports need a file handle; a live one has nothing to act on.
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPause(QW_DECODER_HANDLE decoder, int32_t) {
    return NotYet(decoder);
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetDirection(QW_DECODER_HANDLE decoder, int32_t) {
    return NotYet(decoder);
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetRate(QW_DECODER_HANDLE decoder, int32_t rate) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    StreamDecoder* live = FromHandle(decoder)->Live();
    if (live == nullptr) {
        return kMediaNotAvailable;
    }
    // On a live handle the rate is the period of the channels' wake-up timer.
    return Guarded(kMediaNotAvailable, [&] { return live->SetTimerRate(rate); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetFrameInterval(QW_DECODER_HANDLE decoder, int32_t) {
    return NotYet(decoder);
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetPos(QW_DECODER_HANDLE decoder, int32_t,
                                                     const QwMediaTime*, int32_t, int32_t) {
    return NotYet(decoder);
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCNextFrame(QW_DECODER_HANDLE decoder) {
    return NotYet(decoder);
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPrevFrame(QW_DECODER_HANDLE decoder) {
    return NotYet(decoder);
}

// Null is this export's only failure result.
QW_MEDIA_EXPORT QW_TALK_HANDLE QW_API QW_DVR_MEDIA_OpenTalk(const int32_t*, QW_MEDIA_TALK_SEND,
                                                            int32_t, void*) {
    return nullptr;
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_InputTalkData(QW_TALK_HANDLE talk, const uint8_t*,
                                                          int32_t, uint32_t, uint32_t) {
    return talk == nullptr ? kMediaBadArgument : kMediaNotAvailable;
}

QW_MEDIA_EXPORT void QW_API QW_DVR_MEDIA_TalkPlay(QW_TALK_HANDLE) {}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseTalk(QW_TALK_HANDLE talk) {
    return talk == nullptr ? kMediaBadArgument : kMediaNotAvailable;
}

}  // extern "C"
