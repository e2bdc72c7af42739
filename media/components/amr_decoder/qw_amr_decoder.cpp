// The AMR-NB decoder component over opencore-amrnb's storage-format decoder.
#include "qw_amr_decoder.h"

#include <array>
#include <cstring>
#include <new>

#include <opencore-amrnb/interf_dec.h>

struct QwAmrDecoder {
    void* codec = nullptr;
    ~QwAmrDecoder() { Decoder_Interface_exit(codec); }
};

namespace {

// Bytes after the header byte, by frame type; -1 where the type is reserved.
constexpr std::array<int32_t, 16> kFrameBytes = {12, 13, 15, 17, 19, 20, 26, 31,
                                                 5,  -1, -1, -1, -1, -1, -1, 0};

}  // namespace

extern "C" {

QWAMR_EXPORT QwAmrDecoder* QWAMR_API AMR_Decode_Init(void) {
    auto* decoder = new (std::nothrow) QwAmrDecoder;
    if (decoder == nullptr) {
        return nullptr;
    }
    decoder->codec = Decoder_Interface_init();
    if (decoder->codec == nullptr) {
        delete decoder;
        return nullptr;
    }
    return decoder;
}

QWAMR_EXPORT void QWAMR_API AMR_Decode_Exit(QwAmrDecoder* decoder) {
    delete decoder;
}

QWAMR_EXPORT int32_t QWAMR_API AMR_Get_Length(int32_t mode, uint8_t first_byte) {
    if (mode != QWAMR_MODE_STORAGE) {
        return -1;
    }
    return kFrameBytes[(first_byte >> 3) & 0x0F];
}

QWAMR_EXPORT int32_t QWAMR_API AMR_Decode_Frame(QwAmrDecoder* decoder, const uint8_t* frame,
                                                int32_t frame_length, int16_t* pcm, int32_t mode) {
    if (decoder == nullptr || frame == nullptr || pcm == nullptr || frame_length < 1 ||
        mode != QWAMR_MODE_STORAGE) {
        return QWAMR_ERR_PARAM;
    }
    const int32_t body = AMR_Get_Length(mode, frame[0]);
    if (body < 0) {
        return QWAMR_ERR_FORMAT;
    }
    if (frame_length < 1 + body) {
        return QWAMR_ERR_TRUNCATED;
    }
    // The codec reads by the bit count of the frame type; a private copy
    // keeps it inside this frame whatever it does with the header byte.
    std::array<unsigned char, QWAMR_MAX_FRAME_BYTES> copy{};
    std::memcpy(copy.data(), frame, static_cast<size_t>(1 + body));
    Decoder_Interface_Decode(decoder->codec, copy.data(), pcm, 0);
    return QWAMR_OK;
}

}  // extern "C"
