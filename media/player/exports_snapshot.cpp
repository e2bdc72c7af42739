// Snapshots: the picture a channel shows, and bitmap files of such pictures.
#include "bmp_file.h"
#include "decoder_handle.h"

using namespace kestrel::media;

namespace {

constexpr int32_t kMaxCaptureChannel = 16;

}  // namespace

extern "C" {

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CaptureVideoImage(QW_DECODER_HANDLE decoder,
                                                              int32_t channel, uint8_t* pixels,
                                                              int32_t* width, int32_t* height,
                                                              int32_t flip) {
    if (decoder == nullptr || channel < 0 || channel > kMaxCaptureChannel || pixels == nullptr ||
        width == nullptr || height == nullptr) {
        return kMediaBadArgument;
    }
    return Guarded(kMediaFailed, [&] {
        StreamDecoder* display = FromHandle(decoder)->Display();
        if (display == nullptr) {
            *width = 0;
            *height = 0;
            return kMediaFailed;
        }
        return display->Capture(channel, pixels, width, height, flip != 0);
    });
}

QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_Save2BMPFile(const char* file_name,
                                                         const uint8_t* pixels, int32_t width,
                                                         int32_t height) {
    return Guarded(kMediaFailed, [&] { return SaveBmp24(file_name, pixels, width, height); });
}

}  // extern "C"
