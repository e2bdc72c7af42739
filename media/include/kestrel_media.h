/* Kestrel media library: turns recorder media into pictures and sound.
 *
 * Pure C interface (C11 and C++20). One kind of decoder handle serves live
 * view (the caller pushes the bytes it receives for a channel) and playback
 * of a recording file on the local disk, also while the file is still being
 * downloaded. Talk audio has its own handle. Every export returns an int32_t
 * result code (0 = success, negative = failure, see QW_MEDIA_* below) unless
 * its comment says otherwise. Channel indices are 0 to 15 unless stated.
 *
 * Ownership
 *   - A decoder handle belongs to the caller from QW_DVR_MEDIA_OpenDecoder or
 *     QW_DVR_MEDIA_OpenFileDecoderRP3 to QW_DVR_MEDIA_CloseDecoder; a talk
 *     handle from QW_DVR_MEDIA_OpenTalk to QW_DVR_MEDIA_CloseTalk. A handle
 *     is invalid after its close call.
 *   - KmVideoWindow records given to QW_DVR_MEDIA_StartPlay are borrowed
 *     until the stop of their channel (file handle: of the playback) or the
 *     close of the handle returns. The window may be freed right after.
 *   - The play-info user value is borrowed until the callback is replaced
 *     or unregistered, the file handle's playback is stopped (which
 *     unregisters it) or the handle is closed.
 *   - Buffers passed to callbacks belong to the library and are valid only
 *     during the call; copy what you keep.
 *
 * Threading
 *   - Exports may be called from any thread; start, stop and input of one
 *     handle are serialised by the library. Do not use a handle on other
 *     threads while it is being closed.
 *   - Callbacks run on the library's threads, never on the caller's:
 *       KmVideoWindow present/clear: the channel's player thread;
 *       play-info callback:          the one play-status thread of the
 *                                    library (shared by all file handles);
 *       talk send function:          the audio capture thread.
 *     A callback must not block for long, must not throw, and must not stop
 *     or close the channel, file or talk that it reports on.
 *   - The library holds none of its locks while a play-info callback runs:
 *     it may call the QW_DVR_MEDIA_PC* exports and the sound and display
 *     exports of its own handle. Every code, the start and end times
 *     included, arrives on the play-status thread in the order it was made.
 *   - present and clear must not wait for another thread of the caller (a
 *     GUI thread in particular) and must not call the library for their own
 *     handle: the player thread waits for them, and so does a stop.
 *   - QW_DVR_MEDIA_StopPlay and QW_DVR_MEDIA_CloseDecoder block until no
 *     present, clear or play-info call for that channel (file handle: for
 *     that handle) runs, and none starts after they return. A player, read
 *     or open thread that does not end within the stop's wait (1 s for a
 *     player, 5 s for the file threads) is left to end on its own; it never
 *     reaches the window or the callback again. Stopping a file that plays
 *     first delivers the play-info already made (QW_PLAYINFO_END among it),
 *     waiting up to 2 s for it, and drops what is still queued after that.
 *     Registering a null play-info callback also waits for a call in
 *     progress, unless it is made from inside that call.
 *   - QW_DVR_MEDIA_CloseTalk ends the capture thread first: no send runs
 *     after it returns.
 *   - BufferMode, the default show-info flag and the last playback rate,
 *     direction, pause flag and position are process-wide: the last caller
 *     wins for all handles.
 */
#ifndef KESTREL_MEDIA_H
#define KESTREL_MEDIA_H

#include <stdint.h>

/* Same definitions as in kestrel_net.h, so both headers can be included. */
#ifndef QW_API
#if defined(_WIN32) && !defined(_WIN64)
#define QW_API __stdcall
#else
#define QW_API
#endif
#endif

#ifndef QW_CALLBACK
#if defined(_WIN32) && !defined(_WIN64)
#define QW_CALLBACK __stdcall
#else
#define QW_CALLBACK
#endif
#endif

/* The play-info callback is called with the C convention (the caller pops
 * the arguments), unlike every other callback. */
#ifndef QW_CDECL
#if defined(_WIN32) && !defined(_WIN64)
#define QW_CDECL __cdecl
#else
#define QW_CDECL
#endif
#endif

#if defined(_WIN32)
#if defined(KESTREL_MEDIA_BUILDING)
#define QW_MEDIA_EXPORT __declspec(dllexport)
#else
#define QW_MEDIA_EXPORT __declspec(dllimport)
#endif
#else
#define QW_MEDIA_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes --------------------------------------------------------
 * Never renumbered or reused. Exports that act on several channels combine
 * them: 0 when at least one succeeded and none failed, QW_MEDIA_ERR_FAILED
 * when any failed, QW_MEDIA_ERR_NOTHING_TO_DO when none was affected. */
#define QW_MEDIA_OK ((int32_t)0)
#define QW_MEDIA_ERR_BAD_FRAME_LENGTH ((int32_t)-1) /* single frame of the wrong length */
#define QW_MEDIA_ERR_BAD_ARGUMENT \
    ((int32_t)0x80060000) /* null handle, index or value out of range */
#define QW_MEDIA_ERR_NOT_AVAILABLE \
    ((int32_t)0x80F00002) /* not for this handle kind, type or state */
#define QW_MEDIA_ERR_ALREADY_OPEN ((int32_t)0x80F00003)  /* already started or already open */
#define QW_MEDIA_ERR_NOT_OPEN ((int32_t)0x80F00004)      /* sound not open */
#define QW_MEDIA_ERR_NOTHING_TO_DO ((int32_t)0x80F0000C) /* no channel was affected */
#define QW_MEDIA_ERR_FAILED ((int32_t)0x80FF0000)     /* no such channel, no picture, all failed */
#define QW_MEDIA_ERR_INPUT_FULL ((int32_t)0x80050001) /* input buffer full; block not taken */
#define QW_MEDIA_ERR_PLAYER_ALLOC ((int32_t)0x80050002) /* channel player allocation failed */
#define QW_MEDIA_ERR_START_EVENT ((int32_t)0x80050004)  /* start event could not be created */
#define QW_MEDIA_ERR_THREAD ((int32_t)0x80070001)       /* thread creation failed */
#define QW_MEDIA_ERR_TIMER ((int32_t)0x80070002)        /* periodic timer could not be set */

/* Local files: recordings and snapshots */
#define QW_MEDIA_ERR_FILE_OPEN ((int32_t)0x80020005)      /* file cannot be opened or created */
#define QW_MEDIA_ERR_SEEK_DIRECTION ((int32_t)0x80020007) /* seek offset of the wrong sign */
#define QW_MEDIA_ERR_SHORT_HEADER ((int32_t)0x8002000D)   /* file shorter than its header */
#define QW_MEDIA_ERR_SEEK_RANGE ((int32_t)0x8002000E)     /* seek outside the file */
#define QW_MEDIA_ERR_FILE_BUSY ((int32_t)0x80020012)      /* a file is already open */
#define QW_MEDIA_ERR_FILE_NAME ((int32_t)0x80020013)      /* file name shorter than 4 characters */
#define QW_MEDIA_ERR_FILE_FORMAT ((int32_t)0x80020014)    /* header matches no known layout */

/* ---- Handles ------------------------------------------------------------- */

/* Opaque decoder handle: live (OpenDecoder) or file (OpenFileDecoderRP3). */
typedef struct QwDecoder_* QW_DECODER_HANDLE;

/* Opaque talk handle, independent of any decoder handle. */
typedef struct QwTalk_* QW_TALK_HANDLE;

/* ---- Video window -------------------------------------------------------- */

/* Pixel formats, as bits of KmVideoWindow.formats and as the format argument
 * of present().
 *   KM_FORMAT_YUY2:  packed 4:2:2, 2 bytes per pixel, bytes Y0 U Y1 V. The
 *                    decoded picture is handed over as it is (hardware path).
 *   KM_FORMAT_RGB32: 4 bytes per pixel, bytes B G R X (0xXXRRGGBB read as a
 *                    little-endian uint32_t; X is 0xFF). The library converts
 *                    every picture itself (software path).
 *   KM_FORMAT_I420:  planar 4:2:0 as the decoder makes it, in one buffer:
 *                    the Y plane (height rows of stride bytes, width used),
 *                    then the U plane ((height + 1) / 2 rows of
 *                    (stride + 1) / 2 bytes, (width + 1) / 2 used) directly
 *                    after it, then the V plane, laid out as U, directly
 *                    after U. Each chroma sample serves a 2x2 block of
 *                    pixels. Nothing is interleaved or converted on the way
 *                    (planar path).
 * A window that accepts I420 gets I420; otherwise one that accepts YUY2 gets
 * YUY2; one that accepts only RGB32 gets RGB32. RGB32 rather than RGB24
 * because it maps onto toolkit images and GPU textures without another
 * copy. */
#define KM_FORMAT_YUY2 0x00000001u
#define KM_FORMAT_RGB32 0x00000002u
#define KM_FORMAT_I420 0x00000004u

/* What the library calls a window: the caller's picture sink.
 *
 * present gets every picture at the recorder's size, on the channel's
 * player thread, which shows nothing else until it returns. It must copy
 * what it keeps (pixels is the library's buffer, valid only during the
 * call) and must never wait for the GUI thread. A toolkit window does best
 * to convert and scale the picture once, to its current size in device
 * pixels, into a back buffer of its own, swap front and back under a small
 * lock, and ask for one repaint (at most one pending); its paint draws the
 * front buffer 1:1. An RGB32 picture wraps as a 32-bit RGB image without a
 * copy for that scaling.
 *
 * formats is read when the channel shows its first picture and after each
 * change of picture size. */
typedef struct KmVideoWindow {
    void* user;       /* passed back unchanged */
    uint32_t formats; /* KM_FORMAT_* bits the window accepts; 0 = none */
    /* One picture, top row first; stride is the byte distance between rows.
     * pixels is valid only during the call. */
    void(QW_CALLBACK* present)(void* user, uint32_t format, const uint8_t* pixels, int32_t width,
                               int32_t height, int32_t stride);
    /* The channel stopped: drop the last picture. Not called when the
     * channel's thread had to be left behind by the stop. */
    void(QW_CALLBACK* clear)(void* user);
} KmVideoWindow;

/* ---- Records and constants ----------------------------------------------- */

/* Input kinds of QW_DVR_MEDIA_InputDataToDecoder. */
#define QW_MEDIA_INPUT_STREAM 0       /* raw stream bytes, any cut */
#define QW_MEDIA_INPUT_VIDEO_FRAME 1  /* exactly one video frame record */
#define QW_MEDIA_INPUT_VIDEO_FRAME2 2 /* same as 1 */
#define QW_MEDIA_INPUT_AUDIO_FRAME 4  /* exactly one audio frame record */

/* Directions of QW_DVR_MEDIA_PCSetDirection. */
#define QW_MEDIA_DIRECTION_FORWARD 2
#define QW_MEDIA_DIRECTION_BACKWARD 3

/* Position modes of QW_DVR_MEDIA_PCSetPos. */
#define QW_MEDIA_POS_BYTES 0  /* value = byte offset, extra = origin 0/1/2 (start/current/end) */
#define QW_MEDIA_POS_FRAMES 1 /* value = frame count, extra = 0 from start, else from current */
#define QW_MEDIA_POS_TIME 2   /* time = wall-clock time inside the recording */

/* Recording time as the library keeps it: six bytes. */
typedef struct QwMediaTime {
    uint8_t year;  /* years since 2000 */
    uint8_t month; /* 1..12 */
    uint8_t day;   /* 1..31 */
    uint8_t hour;  /* 0..23 */
    uint8_t minute;
    uint8_t second;
} QwMediaTime;

/* One play-info notification of a file handle. value holds a pointer (to a
 * QwMediaTime) for the start/end time codes, hence intptr_t. */
typedef struct QwPlayInfo {
    int32_t code; /* QW_PLAYINFO_* */
    intptr_t value;
} QwPlayInfo;

#define QW_PLAYINFO_STARTED 0x20000001      /* (0) */
#define QW_PLAYINFO_READ 0x20000002         /* (read position after the read) */
#define QW_PLAYINFO_END 0x20000003          /* (0) end of file or playback stopped */
#define QW_PLAYINFO_NO_DATA 0x20000004      /* (0) growing file has no data there yet */
#define QW_PLAYINFO_TOTAL_LENGTH 0x20000011 /* (expected length or usable size) */
#define QW_PLAYINFO_START_TIME 0x20000012   /* (const QwMediaTime*) valid during the call */
#define QW_PLAYINFO_END_TIME 0x20000013     /* (const QwMediaTime*) valid during the call */
#define QW_PLAYINFO_CHANNEL_MASK 0x20000014 /* (channel mask) file opened */
#define QW_PLAYINFO_OPEN_FAILED 0x20000015  /* (result code) growing file failed to open */
#define QW_PLAYINFO_QUEUE_EMPTY 0x20000016  /* (0) first empty frame queue of the process */
#define QW_PLAYINFO_BUFFERING 0x20000018    /* (0 = paused for download, 1 = resumed) */
#define QW_PLAYINFO_FIRST_FRAME 0x20000019  /* (offset of the first frame) */

/* Play-info callback; its result is not used. */
typedef int32_t(QW_CDECL* QW_MEDIA_PLAYINFO_CALLBACK)(void* user, const QwPlayInfo* info);

/* Talk send function: one encoded microphone packet (valid during the call)
 * with a 64-bit time stamp in two halves. */
typedef void(QW_CALLBACK* QW_MEDIA_TALK_SEND)(void* user, const uint8_t* packet, int32_t length,
                                              uint32_t stamp_low, uint32_t stamp_high);

/* Number of 32-bit words of the talk attribute record (TalkAttributes in
 * kestrel_net.h; the client passes the same record to both libraries). */
#define QW_MEDIA_TALK_ATTRIBUTE_WORDS 6

/* ---- Exports ------------------------------------------------------------- */

/* Version text "1.1.0.3"; static, needs no handle. */
QW_MEDIA_EXPORT const char* QW_API QW_DVR_MEDIA_GetDecoderSDKVersion(void);

/* Live decoder for a recorder type; reserved is ignored; buffer_mode becomes
 * the process-wide BufferMode. Null on failure. */
QW_MEDIA_EXPORT QW_DECODER_HANDLE QW_API QW_DVR_MEDIA_OpenDecoder(uint32_t device_type,
                                                                  uint32_t subtype,
                                                                  int32_t reserved,
                                                                  int32_t buffer_mode);

/* File decoder for a local recording. A non-null device_file marks a file
 * still being downloaded: it is opened after QW_DVR_MEDIA_SetFileLengthRP3.
 * Null on failure. */
QW_MEDIA_EXPORT QW_DECODER_HANDLE QW_API QW_DVR_MEDIA_OpenFileDecoderRP3(const char* local_file,
                                                                         const char* device_file);

/* Announces the final length of a growing file and opens it. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetFileLengthRP3(QW_DECODER_HANDLE decoder,
                                                             int32_t expected_length,
                                                             const char* device_file);

/* Stops everything and frees the handle; no callback for it runs once it
 * returns (see Threading). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseDecoder(QW_DECODER_HANDLE decoder);

/* Starts showing channels in windows. Live: windows[0] shows channels[0].
 * File: up to 4 windows. channel_count 1..16. reserved is not read (pass 0). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_StartPlay(QW_DECODER_HANDLE decoder,
                                                      KmVideoWindow* const* windows,
                                                      int32_t window_count, const int32_t* channels,
                                                      int32_t channel_count, int32_t reserved);

/* Stops one live channel, or file playback (which also unregisters the
 * play-info callback). Blocks until no callback for it runs; see Threading. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_StopPlay(QW_DECODER_HANDLE decoder, int32_t channel);

/* Feeds received bytes to a live handle (kind = QW_MEDIA_INPUT_*). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_InputDataToDecoder(QW_DECODER_HANDLE decoder,
                                                               int32_t kind, const uint8_t* data,
                                                               int32_t length);

/* Sets the play-info callback of a file handle. Notifications made before
 * one was registered (the file's opening) are delivered to it. Null
 * unregisters, drops what is queued for the handle and waits for a call in
 * progress (unless called from it). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_RegistFilePlayInfoCallBack(
    QW_DECODER_HANDLE decoder, void* user, QW_MEDIA_PLAYINFO_CALLBACK callback);

/* Pauses (1) or resumes (0) file playback. A pause returns once the picture
 * being made, if any, is shown; no other follows until a step, a position
 * change or the resume (a step already asked for still shows its frame). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPause(QW_DECODER_HANDLE decoder, int32_t pause);

/* Sets the playback direction (QW_MEDIA_DIRECTION_*). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetDirection(QW_DECODER_HANDLE decoder,
                                                           int32_t direction);

/* File: playback rate step -4..4. Live: the pacing timer's rate. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetRate(QW_DECODER_HANDLE decoder, int32_t rate);

/* Sets the file read interval, 2..20000 ms. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetFrameInterval(QW_DECODER_HANDLE decoder,
                                                               int32_t interval_ms);

/* Moves the file position (mode = QW_MEDIA_POS_*); time is read only in
 * time mode and may be null otherwise. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCSetPos(QW_DECODER_HANDLE decoder, int32_t value,
                                                     const QwMediaTime* time, int32_t mode,
                                                     int32_t extra);

/* Pauses and steps one frame forward. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCNextFrame(QW_DECODER_HANDLE decoder);

/* Pauses and steps one frame backward. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_PCPrevFrame(QW_DECODER_HANDLE decoder);

/* Starts sound output of a channel. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_OpenSound(QW_DECODER_HANDLE decoder, int32_t channel);

/* Stops sound output of a channel. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseSound(QW_DECODER_HANDLE decoder, int32_t channel);

/* Sets a channel's volume, 0..0xFFFF; kept for channels started later. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetVolume(QW_DECODER_HANDLE decoder, int32_t channel,
                                                      int32_t volume);

/* Mutes (non-zero) or unmutes a live channel's sound. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetMute(QW_DECODER_HANDLE decoder, int32_t channel,
                                                    int32_t mute);

/* Opens talk: captures the microphone, encodes it and hands packets to send;
 * decoder_mode selects the decoder of received talk audio. attributes points
 * to QW_MEDIA_TALK_ATTRIBUTE_WORDS words. Null on failure. */
QW_MEDIA_EXPORT QW_TALK_HANDLE QW_API QW_DVR_MEDIA_OpenTalk(const int32_t* attributes,
                                                            QW_MEDIA_TALK_SEND send,
                                                            int32_t decoder_mode, void* user);

/* Plays received talk audio (recorder to operator). */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_InputTalkData(QW_TALK_HANDLE talk, const uint8_t* data,
                                                          int32_t length, uint32_t stamp_low,
                                                          uint32_t stamp_high);

/* Plays the talk handle's playback buffer once; blocks until done. */
QW_MEDIA_EXPORT void QW_API QW_DVR_MEDIA_TalkPlay(QW_TALK_HANDLE talk);

/* Stops capture and frees the talk handle. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CloseTalk(QW_TALK_HANDLE talk);

/* Copies the channel's current picture (0..16) as 24-bit B G R rows without
 * padding, top row first, or bottom row first when flip is non-zero.
 * On entry *width x *height is the capacity of pixels in pixels (the
 * buffer holds *width * *height * 3 bytes); on return they hold the
 * picture's size. A buffer too small for the picture gets nothing and the
 * result QW_MEDIA_ERR_BAD_ARGUMENT, with the size it needs in *width and
 * *height; no picture gives QW_MEDIA_ERR_FAILED with 0 x 0. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_CaptureVideoImage(QW_DECODER_HANDLE decoder,
                                                              int32_t channel, uint8_t* pixels,
                                                              int32_t* width, int32_t* height,
                                                              int32_t flip);

/* Writes 24-bit B G R rows (in the order given) as a bitmap file. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_Save2BMPFile(const char* file_name,
                                                         const uint8_t* pixels, int32_t width,
                                                         int32_t height);

/* Sets (enable non-zero) or clears the on-screen text of a channel: at most
 * 50 bytes, position 0..3 (top left, top right, middle left, middle right),
 * colour 0..255. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetOsd(QW_DECODER_HANDLE decoder, int32_t channel,
                                                   int32_t enable, const char* text,
                                                   int32_t position, int32_t colour);

/* Sets the show-info flag of a handle's channels, or with a null handle the
 * process-wide default. A file handle returns 1. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetShowInfo(QW_DECODER_HANDLE decoder, int32_t flag);

/* Sets a channel's picture brightness lift, 0 (off) to 255. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetChBrightness(QW_DECODER_HANDLE decoder,
                                                            int32_t channel, int32_t brightness);

/* Kept for callers only: changes nothing, returns NOT_AVAILABLE for a
 * non-zero flag with brightness 0..15, else BAD_ARGUMENT. */
QW_MEDIA_EXPORT int32_t QW_API QW_DVR_MEDIA_SetBrightness(int32_t flag, int32_t brightness);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_MEDIA_H */
