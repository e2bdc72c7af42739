// Exports whose machinery (talk) is not in this library yet: they check their
// arguments as they will, then report the operation as not available.
#include "decoder_handle.h"

using namespace kestrel::media;

extern "C" {

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
