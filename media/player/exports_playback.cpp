// File playback: open, length of a download, play-info callback and the
// playback controls.
#include <new>

#include "decoder_handle.h"

using namespace kestrel::media;

namespace {

constexpr int32_t kMaxRate = 4;
constexpr int32_t kMinIntervalMs = 2;
constexpr int32_t kMaxIntervalMs = 20000;

// The file player of a handle: kMediaBadArgument for null,
// kMediaNotAvailable for a live handle.
int32_t CheckFile(QW_DECODER_HANDLE handle) {
    if (handle == nullptr) {
        return kMediaBadArgument;
    }
    return FromHandle(handle)->IsFile() ? kMediaOk : kMediaNotAvailable;
}

template <typename Body>
int32_t OnFile(QW_DECODER_HANDLE handle, Body body) {
    const int32_t check = CheckFile(handle);
    if (check != kMediaOk) {
        return check;
    }
    return Guarded(kMediaNotAvailable, [&] { return body(*FromHandle(handle)->File()); });
}

}  // namespace

extern "C" {

QW_MEDIA_EXPORT QW_DECODER_HANDLE QW_API QW_DVR_MEDIA_OpenFileDecoderRP3(const char* local_file,
                                                                         const char* device_file) {
    try {
        int32_t result = 0;
        std::unique_ptr<FilePlayer> player = FilePlayer::Create(local_file, device_file, &result);
        if (!player) {
            return nullptr;
        }
        return ToHandle(new (std::nothrow) DecoderHandle(std::move(player)));
    } catch (...) {
        return nullptr;
    }
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetFileLengthRP3(QW_DECODER_HANDLE decoder,
                                                             int32_t expected_length,
                                                             const char* device_file) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    if (!FromHandle(decoder)->IsFile()) {
        return kMediaFailed;
    }
    return Guarded(kMediaNotAvailable, [&] {
        return FromHandle(decoder)->File()->SetFileLength(expected_length, device_file);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_RegistFilePlayInfoCallBack(
    QW_DECODER_HANDLE decoder, void* user, QW_MEDIA_PLAYINFO_CALLBACK callback) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    if (!FromHandle(decoder)->IsFile()) {
        return kMediaFailed;
    }
    FromHandle(decoder)->File()->SetCallback(user, callback);
    return kMediaOk;
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPause(QW_DECODER_HANDLE decoder, int32_t pause) {
    return OnFile(decoder, [&](FilePlayer& file) { return file.Pause(pause); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetDirection(QW_DECODER_HANDLE decoder,
                                                           int32_t direction) {
    return OnFile(decoder, [&](FilePlayer& file) {
        if (direction != QW_MEDIA_DIRECTION_FORWARD && direction != QW_MEDIA_DIRECTION_BACKWARD) {
            return kMediaBadArgument;
        }
        return file.SetDirection(direction);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetRate(QW_DECODER_HANDLE decoder, int32_t rate) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    if (StreamDecoder* live = FromHandle(decoder)->Live()) {
        // On a live handle the rate is the period of the channels' wake-up timer.
        return Guarded(kMediaNotAvailable, [&] { return live->SetTimerRate(rate); });
    }
    return OnFile(decoder, [&](FilePlayer& file) {
        if (rate < -kMaxRate || rate > kMaxRate) {
            return kMediaNotAvailable;
        }
        return file.SetRate(rate);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetFrameInterval(QW_DECODER_HANDLE decoder,
                                                               int32_t interval_ms) {
    return OnFile(decoder, [&](FilePlayer& file) {
        if (interval_ms < kMinIntervalMs || interval_ms > kMaxIntervalMs) {
            return kMediaBadArgument;
        }
        return file.SetFrameInterval(interval_ms);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetPos(QW_DECODER_HANDLE decoder, int32_t value,
                                                     const QwMediaTime* time, int32_t mode,
                                                     int32_t extra) {
    return OnFile(decoder, [&](FilePlayer& file) { return file.SetPos(value, time, mode, extra); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCNextFrame(QW_DECODER_HANDLE decoder) {
    return OnFile(decoder, [&](FilePlayer& file) { return file.NextFrame(); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPrevFrame(QW_DECODER_HANDLE decoder) {
    return OnFile(decoder, [&](FilePlayer& file) { return file.PrevFrame(); });
}

}  // extern "C"
