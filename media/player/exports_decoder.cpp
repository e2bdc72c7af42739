// Open, close, start, stop and input of decoder handles.
#include <algorithm>
#include <array>
#include <new>

#include "decoder_handle.h"
#include "library_state.h"

using namespace kestrel::media;

namespace {

constexpr const char* kSdkVersion = "1.1.0.3";
constexpr int32_t kMaxStartChannels = 16;

}  // namespace

extern "C" {

QW_MEDIA_EXPORT const char* QW_API QW_DVR_MEDIA_GetDecoderSDKVersion(void) {
    return kSdkVersion;
}

QW_MEDIA_EXPORT QW_DECODER_HANDLE QW_API QW_DVR_MEDIA_OpenDecoder(uint32_t device_type,
                                                                  uint32_t subtype, int32_t,
                                                                  int32_t buffer_mode) {
    try {
        std::unique_ptr<StreamDecoder> stream = StreamDecoder::Create(device_type, subtype);
        if (!stream) {
            return nullptr;
        }
        auto* handle = new (std::nothrow) DecoderHandle(std::move(stream));
        if (handle == nullptr) {
            return nullptr;
        }
        Library().buffer_mode.store(buffer_mode);
        return ToHandle(handle);
    } catch (...) {
        return nullptr;
    }
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseDecoder(QW_DECODER_HANDLE decoder) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaBadArgument, [&] {
        DecoderHandle* handle = FromHandle(decoder);
        // Stopped while the handle is whole: a play-info callback delivered
        // during the stop may still call the handle's exports.
        if (handle->IsFile()) {
            handle->File()->Close();
        }
        delete handle;
        return kMediaOk;
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_StartPlay(QW_DECODER_HANDLE decoder,
                                                      KmVideoWindow* const* windows,
                                                      int32_t window_count, const int32_t* channels,
                                                      int32_t channel_count, int32_t) {
    if (decoder == nullptr || channel_count <= 0 || channel_count > kMaxStartChannels ||
        channels == nullptr) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaNotAvailable, [&] {
        DecoderHandle& handle = *FromHandle(decoder);
        if (handle.IsFile()) {
            // Up to four windows; missing ones stay null.
            std::array<KmVideoWindow*, FilePlayer::kWindowCount> file_windows{};
            const int32_t count =
                std::min({window_count, channel_count, int32_t{FilePlayer::kWindowCount}});
            for (int32_t i = 0; windows != nullptr && i < count; ++i) {
                file_windows[static_cast<size_t>(i)] = windows[i];
            }
            return handle.File()->Start(file_windows);
        }
        KmVideoWindow* window = (windows != nullptr && window_count > 0) ? windows[0] : nullptr;
        return handle.Live()->StartChannel(channels[0], window, true);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_StopPlay(QW_DECODER_HANDLE decoder, int32_t channel) {
    if (decoder == nullptr) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaNotAvailable, [&] {
        DecoderHandle& handle = *FromHandle(decoder);
        return handle.IsFile() ? handle.File()->Stop() : handle.Live()->StopChannel(channel);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_InputDataToDecoder(QW_DECODER_HANDLE decoder,
                                                               int32_t kind, const uint8_t* data,
                                                               int32_t length) {
    const int32_t check = CheckLive(decoder);
    if (check != kMediaOk) {
        return check;
    }
    if (length < 0 || (data == nullptr && length != 0)) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaNotAvailable, [&] {
        return FromHandle(decoder)->Live()->Input(
            kind, std::span<const uint8_t>(data, static_cast<size_t>(length)));
    });
}

}  // extern "C"
