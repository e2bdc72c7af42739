// Talk: the microphone to the recorder and the recorder's audio to the
// speaker, on a handle of its own.
#include "kestrel_media.h"
#include "media_result.h"
#include "talk_session.h"

using namespace kestrel::media;

namespace {

TalkSession* FromTalk(QW_TALK_HANDLE talk) {
    return reinterpret_cast<TalkSession*>(talk);
}

}  // namespace

extern "C" {

// Null is this export's only failure result.
QW_MEDIA_EXPORT QW_TALK_HANDLE QW_API QW_DVR_MEDIA_OpenTalk(const int32_t* attributes,
                                                            QW_MEDIA_TALK_SEND send,
                                                            int32_t decoder_mode, void* user) {
    try {
        return reinterpret_cast<QW_TALK_HANDLE>(
            TalkSession::Open(attributes, send, decoder_mode, user).release());
    } catch (...) {
        return nullptr;
    }
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_InputTalkData(QW_TALK_HANDLE talk, const uint8_t* data,
                                                          int32_t length, uint32_t stamp_low,
                                                          uint32_t stamp_high) {
    if (talk == nullptr || length < 0 || (data == nullptr && length > 0)) {
        return kMediaBadArgument;
    }
    try {
        FromTalk(talk)->Input(std::span<const uint8_t>(data, static_cast<size_t>(length)),
                              stamp_low, stamp_high);
        return kMediaOk;
    } catch (...) {
        return kMediaFailed;
    }
}

QW_MEDIA_EXPORT void QW_API QW_DVR_MEDIA_TalkPlay(QW_TALK_HANDLE talk) {
    if (talk == nullptr) {
        return;
    }
    try {
        FromTalk(talk)->Play();
    } catch (...) {
    }
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseTalk(QW_TALK_HANDLE talk) {
    if (talk == nullptr) {
        return kMediaBadArgument;
    }
    delete FromTalk(talk);
    return kMediaOk;
}

}  // extern "C"
