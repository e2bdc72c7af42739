/* Audio player component (libqw_audio_player.so / qw_audio_player.dll):
 * decodes recorder audio blocks, plays them on an audio device and keeps an
 * audio clock the video can follow.
 *
 * A block is a 4-byte header followed by G.711 mu-law samples, 8000 Hz mono:
 *   byte 0 = 0x00, byte 1 = 0x01, byte 2 = payload length in 16-bit words
 *   (so 2 * byte 2 samples), byte 3 = 0x00.
 * A block shorter than its header declares plays the samples that are there.
 *
 * Time stamps are in microseconds; a block's stamp belongs to its first
 * sample. Stamp 0 means "not stamped": such audio plays but does not move
 * the clock.
 *
 * The media library loads this component by name at run time and resolves
 * the functions below; the *Fn typedefs are their pointer types.
 *
 * Threading:
 *   - Every function may be called from any thread, also on the same
 *     decoder at once; each decoder has its own lock, which the device's
 *     playback thread takes briefly as well.
 *   - QW_AUDIO_CloseAudioDecoder must be the last call on a decoder: no
 *     other call on it may run at the same time or after.
 *   - Any number of decoders may be open at once, each on its own device.
 *   - Nothing calls back into the caller.
 *
 * Ownership: input bytes are copied during the call; output pointers are
 * only written during the call.
 */
#ifndef QW_AUDIO_PLAYER_H
#define QW_AUDIO_PLAYER_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define QWAUDIO_API __stdcall
#else
#define QWAUDIO_API
#endif

#if defined(_WIN32)
#if defined(QWAUDIO_BUILDING)
#define QWAUDIO_EXPORT __declspec(dllexport)
#else
#define QWAUDIO_EXPORT __declspec(dllimport)
#endif
#else
#define QWAUDIO_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define QWAUDIO_OK ((int32_t)0)
/* Null decoder or pointer, negative size, a value out of range. */
#define QWAUDIO_ERR_PARAM ((int32_t)0x80A30001)
/* Block shorter than its header, or header not starting 0x00 0x01. */
#define QWAUDIO_ERR_FORMAT ((int32_t)0x80A30002)
/* Codec type other than QWAUDIO_CODEC_G711U_A / _B. */
#define QWAUDIO_ERR_CODEC ((int32_t)0x80A30003)
/* File playback queue already holds QWAUDIO_MAX_QUEUED_MS of audio; the
 * block is not taken. Feed again once some has played. */
#define QWAUDIO_ERR_FULL ((int32_t)0x80A30004)
/* Out of memory. */
#define QWAUDIO_ERR_RESOURCE ((int32_t)0x80A30005)

/* The two codec types recorders use for these blocks; they decode alike. */
#define QWAUDIO_CODEC_G711U_A ((int32_t)3)
#define QWAUDIO_CODEC_G711U_B ((int32_t)5)

/* Buffer modes: the backlog a live decoder aims at. A live decoder holding
 * more than twice its target drops its oldest audio down to the target. */
#define QWAUDIO_BUFFER_SHORT ((int32_t)0) /* about 120 ms */
#define QWAUDIO_BUFFER_LONG ((int32_t)1)  /* about 400 ms */

/* Most audio a file playback decoder queues. */
#define QWAUDIO_MAX_QUEUED_MS 30000

/* QW_AUDIO_StopFileAudio modes. */
#define QWAUDIO_RESUME ((int32_t)0) /* take and play input again */
#define QWAUDIO_STOP ((int32_t)1)   /* drop queued audio, discard input */
#define QWAUDIO_FLUSH ((int32_t)2)  /* drop queued audio, go on */

/* Volume range: linear gain volume / 0xFFFF. */
#define QWAUDIO_VOLUME_MAX 0xFFFF

typedef struct QwAudioDecoder QwAudioDecoder; /* opaque */

/* Opens a decoder on its own audio device and starts playing (silence until
 * audio arrives). buffer_mode is QWAUDIO_BUFFER_SHORT or _LONG; live
 * non-zero keeps latency bounded by dropping old audio, live 0 (file
 * playback) never drops. Null when an argument is out of range or no audio
 * device can be opened. Starts at unity volume, not muted. */
QWAUDIO_EXPORT QwAudioDecoder* QWAUDIO_API QW_AUDIO_OpenAudioDecoder(int32_t buffer_mode,
                                                                     int32_t live);

/* Queues one block of size bytes for playing; its stamp is
 * stamp_high * 2^32 + stamp_low. A block with no samples (byte 2 = 0, or
 * nothing after the header) is accepted and queues nothing. While stopped
 * (QWAUDIO_STOP) blocks are checked, then discarded, with QWAUDIO_OK. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_InputAudioBuffer(QwAudioDecoder* decoder,
                                                             const uint8_t* block, int32_t size,
                                                             int32_t codec_type, uint32_t stamp_low,
                                                             uint32_t stamp_high);

/* Stores the stamps of the video frame now shown and of the next one; they
 * are what QW_AUDIO_GetPts reports while no stamped audio is audible. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_SetPts(QwAudioDecoder* decoder, uint64_t pts,
                                                   uint64_t next_pts);

/* The audio clock: *pts is the stamp of the sample audible now (the stamp of
 * its block plus the time played of that block, not counting what still
 * waits in the device's buffer), *next_pts the stamp of the block after it
 * (or, when none is queued yet, the time the audible block ends). While no
 * stamped audio is audible both are the values last given to
 * QW_AUDIO_SetPts: 0, 0 before any. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_GetPts(QwAudioDecoder* decoder, uint64_t* pts,
                                                   uint64_t* next_pts);

/* Number of queued blocks not yet fully handed to the device; -1 for a null
 * decoder. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecGetFrames(QwAudioDecoder* decoder);

/* Sets the gain to volume / 0xFFFF (0 = silence, 0xFFFF = unity). Outside
 * 0..0xFFFF: QWAUDIO_ERR_PARAM, volume unchanged. Applies to queued audio
 * too. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecSetVolume(QwAudioDecoder* decoder,
                                                              int32_t volume);

/* Non-zero mutes: queued audio goes on playing as silence and the clock runs
 * on; 0 unmutes. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_SetMuteAudio(QwAudioDecoder* decoder, int32_t mute);

/* QWAUDIO_STOP (fast playback): drops queued audio and discards input until
 * QWAUDIO_RESUME. QWAUDIO_FLUSH (a step backward): drops queued audio and
 * goes on. Other modes: QWAUDIO_ERR_PARAM. Audio already in the device's
 * buffer still plays, and the clock follows it. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_StopFileAudio(QwAudioDecoder* decoder, int32_t mode);

/* Drops all queued audio and resets the clock, including the stamps given
 * to QW_AUDIO_SetPts. */
QWAUDIO_EXPORT int32_t QWAUDIO_API QW_AUDIO_AudioDecClear(QwAudioDecoder* decoder);

/* Stops playing, closes the device and frees the decoder. Null is ignored. */
QWAUDIO_EXPORT void QWAUDIO_API QW_AUDIO_CloseAudioDecoder(QwAudioDecoder* decoder);

typedef QwAudioDecoder*(QWAUDIO_API* QW_AUDIO_OpenAudioDecoderFn)(int32_t, int32_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_InputAudioBufferFn)(QwAudioDecoder*, const uint8_t*, int32_t,
                                                          int32_t, uint32_t, uint32_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_SetPtsFn)(QwAudioDecoder*, uint64_t, uint64_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_GetPtsFn)(QwAudioDecoder*, uint64_t*, uint64_t*);
typedef int32_t(QWAUDIO_API* QW_AUDIO_AudioDecGetFramesFn)(QwAudioDecoder*);
typedef int32_t(QWAUDIO_API* QW_AUDIO_AudioDecSetVolumeFn)(QwAudioDecoder*, int32_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_SetMuteAudioFn)(QwAudioDecoder*, int32_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_StopFileAudioFn)(QwAudioDecoder*, int32_t);
typedef int32_t(QWAUDIO_API* QW_AUDIO_AudioDecClearFn)(QwAudioDecoder*);
typedef void(QWAUDIO_API* QW_AUDIO_CloseAudioDecoderFn)(QwAudioDecoder*);

#ifdef __cplusplus
}
#endif

#endif /* QW_AUDIO_PLAYER_H */
