/* Voice codec component (libqw_voice_engine.so / qw_voice_engine.dll): turns
 * 8 kHz 16-bit mono PCM into recorder audio frames and back.
 *
 * A frame is a 4-byte header followed by one G.711 mu-law byte per sample:
 *   byte 0 = 0x00, byte 1 = 0x01, byte 2 = sample count / 2, byte 3 = 0x00.
 * Its length is therefore 4 + 2 * byte 2 bytes. As byte 2 holds at most 255,
 * a frame carries at most QWVOICE_MAX_SAMPLES samples; the usual frame has
 * 320 (40 ms).
 *
 * The media library loads this component by name at run time and resolves
 * the functions below; the *Fn typedefs are their pointer types.
 *
 * Threading: a state is used by one thread at a time; states are independent
 * and any number may be used at once on different threads.
 *
 * Ownership: every buffer belongs to the caller and is only used during the
 * call.
 */
#ifndef QW_VOICE_ENGINE_H
#define QW_VOICE_ENGINE_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QWVOICE_API __stdcall
#else
#define QWVOICE_API
#endif

#if defined(_WIN32)
#if defined(QWVOICE_BUILDING)
#define QWVOICE_EXPORT __declspec(dllexport)
#else
#define QWVOICE_EXPORT __declspec(dllimport)
#endif
#else
#define QWVOICE_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define QWVOICE_OK ((int32_t)0)
/* Null state or buffer, or a sample count or frame length out of range. */
#define QWVOICE_ERR_PARAM ((int32_t)0x80A10001)
/* EncReset with a mode other than QWVOICE_MODE_8K_MONO_16BIT. */
#define QWVOICE_ERR_MODE ((int32_t)0x80A10002)
/* DecodeFrame input whose header does not start 0x00 0x01. */
#define QWVOICE_ERR_FORMAT ((int32_t)0x80A10003)
/* Out of memory. */
#define QWVOICE_ERR_RESOURCE ((int32_t)0x80A10004)

/* 8000 Hz, mono, 16-bit samples: the only mode. */
#define QWVOICE_MODE_8K_MONO_16BIT ((int32_t)3)
/* Bytes in front of the samples of a frame. */
#define QWVOICE_HEADER_BYTES 4
/* Most samples in one frame (byte 2 = 255). */
#define QWVOICE_MAX_SAMPLES 510
/* Longest frame: QWVOICE_HEADER_BYTES + QWVOICE_MAX_SAMPLES. */
#define QWVOICE_MAX_FRAME_BYTES 514

typedef struct QwVoiceState QwVoiceState; /* opaque */

/* A new state, already reset to QWVOICE_MODE_8K_MONO_16BIT; null when out
 * of memory. */
QWVOICE_EXPORT QwVoiceState* QWVOICE_API QW_VOICE_CreateState(void);

/* Frees a state. Null is ignored. */
QWVOICE_EXPORT void QWVOICE_API QW_VOICE_DestroyState(QwVoiceState* state);

/* Resets the encoder to mode. Only QWVOICE_MODE_8K_MONO_16BIT is known; any
 * other mode gives QWVOICE_ERR_MODE and leaves the state as it was. */
QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_EncReset(QwVoiceState* state, int32_t mode);

/* Encodes sample_count samples (even, 2..QWVOICE_MAX_SAMPLES) into one
 * frame at out, which must hold 4 + sample_count bytes
 * (QWVOICE_MAX_FRAME_BYTES always suffices). The frame's length follows
 * from its header: 4 + 2 * out[2], which equals 4 + sample_count. On an
 * error nothing is written. */
QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_EncodeFrame(QwVoiceState* state, const int16_t* samples,
                                                        uint8_t* out, int32_t sample_count);

/* Decodes the frame at frame (frame_length bytes, at least the 4-byte
 * header) into pcm, which must hold QWVOICE_MAX_SAMPLES samples, and sets
 * *out_samples to the number written. A frame shorter than its header
 * declares gives the samples that are there; bytes beyond the declared
 * length are ignored. On an error *out_samples is 0 (when not null). */
QWVOICE_EXPORT int32_t QWVOICE_API QW_VOICE_DecodeFrame(QwVoiceState* state, const uint8_t* frame,
                                                        int32_t frame_length, int16_t* pcm,
                                                        int32_t* out_samples);

typedef QwVoiceState*(QWVOICE_API* QW_VOICE_CreateStateFn)(void);
typedef void(QWVOICE_API* QW_VOICE_DestroyStateFn)(QwVoiceState*);
typedef int32_t(QWVOICE_API* QW_VOICE_EncResetFn)(QwVoiceState*, int32_t);
typedef int32_t(QWVOICE_API* QW_VOICE_EncodeFrameFn)(QwVoiceState*, const int16_t*, uint8_t*,
                                                     int32_t);
typedef int32_t(QWVOICE_API* QW_VOICE_DecodeFrameFn)(QwVoiceState*, const uint8_t*, int32_t,
                                                     int16_t*, int32_t*);

#ifdef __cplusplus
}
#endif

#endif /* QW_VOICE_ENGINE_H */
