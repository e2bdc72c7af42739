// Sound of live and file channels: open, close, volume and mute.
#include "decoder_handle.h"

using namespace kestrel::media;

namespace {

// Runs the live or the file variant of a sound export.
template <typename Live, typename File>
int32_t OnSound(QW_DECODER_HANDLE decoder, int32_t channel, Live live, File file) {
    if (decoder == nullptr || channel < 0 || channel >= kChannelSlots) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaNotAvailable, [&] {
        DecoderHandle& handle = *FromHandle(decoder);
        return handle.IsFile() ? file(*handle.File()) : live(*handle.Live());
    });
}

}  // namespace

extern "C" {

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_OpenSound(QW_DECODER_HANDLE decoder, int32_t channel) {
    return OnSound(
        decoder, channel, [&](StreamDecoder& live) { return live.OpenSound(channel); },
        [&](FilePlayer& file) { return file.OpenSound(channel); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseSound(QW_DECODER_HANDLE decoder, int32_t channel) {
    return OnSound(
        decoder, channel, [&](StreamDecoder& live) { return live.CloseSound(channel); },
        [&](FilePlayer& file) { return file.CloseSound(channel); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetVolume(QW_DECODER_HANDLE decoder, int32_t channel,
                                                      int32_t volume) {
    if (volume < 0 || volume > 0xFFFF) {
        return kMediaBadArgument;
    }
    return OnSound(
        decoder, channel, [&](StreamDecoder& live) { return live.SetVolume(channel, volume); },
        [&](FilePlayer& file) { return file.SetVolume(channel, volume); });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetMute(QW_DECODER_HANDLE decoder, int32_t channel,
                                                    int32_t mute) {
    return OnSound(
        decoder, channel, [&](StreamDecoder& live) { return live.SetMute(channel, mute); },
        [](FilePlayer&) { return kMediaNotAvailable; });
}

}  // extern "C"
