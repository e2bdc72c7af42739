/* H.264 decoder component (libqw_h264dec_w.so / qw_h264dec_w.dll): one Annex B
 * access unit in, one planar 4:2:0 picture out, with no reordering delay.
 *
 * The media library loads this component by name at run time and resolves
 * the three functions below; the *Fn typedefs are their pointer types.
 *
 * Threading:
 *   - A decoder is used by one thread at a time; calls on the same decoder
 *     from several threads at once must be serialised by the caller.
 *   - Decoders are independent: any number may run at once, each on its own
 *     thread. The component keeps no state shared between decoders.
 *   - Nothing calls back into the caller.
 *
 * Ownership:
 *   - The planes of a returned picture belong to the decoder. They stay valid
 *     until the next Qw264DecAU or Qw264DecDestroy call on the same decoder;
 *     copy or convert the picture before that.
 *   - The input bytes are only read during the call; the decoder keeps no
 *     pointer to them.
 */
#ifndef QW_H264DEC_H
#define QW_H264DEC_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QW264_API __stdcall
#else
#define QW264_API
#endif

#if defined(_WIN32)
#if defined(QW264_BUILDING)
#define QW264_EXPORT __declspec(dllexport)
#else
#define QW264_EXPORT __declspec(dllimport)
#endif
#else
#define QW264_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. A code other than QW264_OK always comes with no picture. */
#define QW264_OK ((int32_t)0)
/* The input was accepted but completed no picture (parameter sets only, a
 * call without data, input holding no slice). Not an error. */
#define QW264_NO_PICTURE ((int32_t)1)
/* Null decoder or picture record, negative length, null data with a
 * non-zero length. */
#define QW264_ERR_PARAM ((int32_t)0x80A00001)
/* Access unit longer than QW264_MAX_AU_BYTES; it is not decoded. */
#define QW264_ERR_TOO_BIG ((int32_t)0x80A00002)
/* Broken or concealed picture; it is dropped. The decoder stays usable and
 * recovers at the next intact reference (an IDR at the latest). */
#define QW264_ERR_DECODE ((int32_t)0x80A00003)
/* Picture larger than the maximum given at creation, or not 8-bit 4:2:0;
 * it is dropped. */
#define QW264_ERR_PICTURE ((int32_t)0x80A00004)
/* Attribute values this decoder does not support. */
#define QW264_ERR_UNSUPPORTED ((int32_t)0x80A00005)
/* Out of memory, or the codec library could not be opened. */
#define QW264_ERR_RESOURCE ((int32_t)0x80A00006)

/* Longest access unit accepted by Qw264DecAU. */
#define QW264_MAX_AU_BYTES (4 * 1024 * 1024)
/* Largest maximum size, in 16-pixel macroblocks, accepted at creation. */
#define QW264_MAX_MACROBLOCKS_WIDE 512
#define QW264_MAX_MACROBLOCKS_HIGH 512

/* Attribute record: eight 32-bit values, in this order. */
typedef struct Qw264DecAttr {
    int32_t picture_format; /* 0: planar YUV 4:2:0 (the only one) */
    int32_t stream_type;    /* 0: Annex B byte stream (the only one) */
    int32_t max_width_mb;   /* widest picture, macroblocks: 1..512 */
    int32_t max_height_mb;  /* tallest picture, macroblocks: 1..512 */
    int32_t buffer_count;   /* accepted, not used: no picture is held back */
    int32_t work_mode;      /* 0: low-delay live decoding (the only one) */
    int32_t user_data;      /* not used */
    int32_t reserved;       /* must be 0 */
} Qw264DecAttr;

/* A decoded picture: Y, Cb and Cr planes of 8-bit 4:2:0. The chroma planes
 * have (width + 1) / 2 columns and (height + 1) / 2 rows. Strides are in
 * bytes and at least the plane's width. */
typedef struct Qw264DecPicture {
    const uint8_t* planes[3];
    int32_t strides[3];
    int32_t width;
    int32_t height;
    uint64_t timestamp; /* the time stamp passed with the access unit */
} Qw264DecPicture;

typedef struct Qw264Decoder Qw264Decoder; /* opaque */

/* Creates a decoder. On QW264_OK *decoder is set; on any other code it is
 * set to null. */
QW264_EXPORT int32_t QW264_API Qw264DecCreate(const Qw264DecAttr* attr, Qw264Decoder** decoder);

/* Decodes one access unit (data, length bytes, Annex B with start codes) and
 * returns its picture in *picture with QW264_OK. The picture of an access
 * unit comes out of the call for that access unit.
 *
 * length 0 (data may be null) asks for a picture still held by the decoder;
 * as none is ever held back it returns QW264_NO_PICTURE. end_of_stream
 * non-zero marks the last call of a stream; it neither resets the decoder
 * nor delays anything, so decoding may simply continue with further access
 * units. On any code but QW264_OK, *picture is cleared (when not null). */
QW264_EXPORT int32_t QW264_API Qw264DecAU(Qw264Decoder* decoder, const uint8_t* data,
                                          int32_t length, uint64_t timestamp,
                                          Qw264DecPicture* picture, int32_t end_of_stream);

/* Frees the decoder and its last picture. Null is ignored. */
QW264_EXPORT void QW264_API Qw264DecDestroy(Qw264Decoder* decoder);

typedef int32_t(QW264_API* Qw264DecCreateFn)(const Qw264DecAttr*, Qw264Decoder**);
typedef int32_t(QW264_API* Qw264DecAUFn)(Qw264Decoder*, const uint8_t*, int32_t, uint64_t,
                                         Qw264DecPicture*, int32_t);
typedef void(QW264_API* Qw264DecDestroyFn)(Qw264Decoder*);

#ifdef __cplusplus
}
#endif

#endif /* QW_H264DEC_H */
