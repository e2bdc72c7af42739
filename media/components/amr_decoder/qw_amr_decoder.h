/* AMR-NB decoder component (libqw_amr_decoder.so / qw_amr_decoder.dll): one
 * storage-format frame in (a header byte, then the frame's speech bits),
 * 160 samples of 8 kHz 16-bit mono PCM (20 ms) out.
 *
 * The header byte carries the frame type in bits 3..6: types 0..7 are the
 * eight speech rates (4.75 to 12.2 kbit/s), 8 is comfort-noise (SID), 15 is
 * "no data" (the decoder fills the gap), 9..14 are reserved and refused.
 *
 * The media library loads this component by name at run time and resolves
 * the functions below; the *Fn typedefs are their pointer types.
 *
 * Threading: a decoder is used by one thread at a time; decoders are
 * independent and any number may run at once on different threads.
 *
 * Ownership: every buffer belongs to the caller and is only used during the
 * call.
 */
#ifndef QW_AMR_DECODER_H
#define QW_AMR_DECODER_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QWAMR_API __stdcall
#else
#define QWAMR_API
#endif

#if defined(_WIN32)
#if defined(QWAMR_BUILDING)
#define QWAMR_EXPORT __declspec(dllexport)
#else
#define QWAMR_EXPORT __declspec(dllimport)
#endif
#else
#define QWAMR_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define QWAMR_OK ((int32_t)0)
/* Null decoder, frame or output, or a mode other than QWAMR_MODE_STORAGE. */
#define QWAMR_ERR_PARAM ((int32_t)0x80A20001)
/* Reserved frame type (9..14). */
#define QWAMR_ERR_FORMAT ((int32_t)0x80A20002)
/* frame_length shorter than the frame its header byte announces. */
#define QWAMR_ERR_TRUNCATED ((int32_t)0x80A20003)

/* Frames in storage format (a header byte, then octet-aligned bits): the
 * only mode. */
#define QWAMR_MODE_STORAGE ((int32_t)0)
/* Samples produced by each decoded frame. */
#define QWAMR_FRAME_SAMPLES 160
/* Longest frame, header byte included (12.2 kbit/s). */
#define QWAMR_MAX_FRAME_BYTES 32

typedef struct QwAmrDecoder QwAmrDecoder; /* opaque */

/* A new decoder, or null when out of memory. */
QWAMR_EXPORT QwAmrDecoder* QWAMR_API AMR_Decode_Init(void);

/* Frees a decoder. Null is ignored. */
QWAMR_EXPORT void QWAMR_API AMR_Decode_Exit(QwAmrDecoder* decoder);

/* Number of bytes that follow first_byte in a frame of its type: 12, 13,
 * 15, 17, 19, 20, 26 or 31 for types 0..7, 5 for SID (8), 0 for no data
 * (15). -1 for the reserved types 9..14 (the frame's length is unknown, so
 * the stream cannot be followed past it) and for a mode other than
 * QWAMR_MODE_STORAGE. Bits 0..2 and 7 of first_byte do not matter. */
QWAMR_EXPORT int32_t QWAMR_API AMR_Get_Length(int32_t mode, uint8_t first_byte);

/* Decodes the frame at frame into QWAMR_FRAME_SAMPLES samples at pcm.
 * frame_length is the number of bytes readable at frame; it must be at least
 * 1 + AMR_Get_Length(mode, frame[0]), and nothing beyond the frame's own
 * bytes is read. A frame whose quality bit (bit 2) is clear is decoded as
 * damaged (concealed), as is a no-data frame. On an error pcm is not
 * written and the decoder's state is unchanged. */
QWAMR_EXPORT int32_t QWAMR_API AMR_Decode_Frame(QwAmrDecoder* decoder, const uint8_t* frame,
                                                int32_t frame_length, int16_t* pcm, int32_t mode);

typedef QwAmrDecoder*(QWAMR_API* AMR_Decode_InitFn)(void);
typedef void(QWAMR_API* AMR_Decode_ExitFn)(QwAmrDecoder*);
typedef int32_t(QWAMR_API* AMR_Get_LengthFn)(int32_t, uint8_t);
typedef int32_t(QWAMR_API* AMR_Decode_FrameFn)(QwAmrDecoder*, const uint8_t*, int32_t, int16_t*,
                                               int32_t);

#ifdef __cplusplus
}
#endif

#endif /* QW_AMR_DECODER_H */
