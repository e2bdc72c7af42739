/* Kestrel protocol library: talks to networked video recorders over their
 * binary command protocol, the MCTP text protocol and UDP discovery.
 *
 * Pure C interface. Every function that works on a recorder takes the device
 * handle returned by an open call as its first argument and returns an
 * int32_t result code (0 = success, see kestrel_net_codes.h). Every export
 * checks its handle and pointer arguments first and returns
 * QW_NET_ERR_BAD_ARGUMENT (0x80060000) without side effects when one is
 * missing or out of range. A handle that was closed, or that never came from
 * this library, is also refused with QW_NET_ERR_BAD_ARGUMENT.
 *
 * Ownership
 *   - A device handle belongs to the caller from the open call to
 *     QW_DVR_NET_Close_Device / QW_SRDK_Close_Device. A lost connection does
 *     not invalidate it. Closing a handle twice is harmless (the second call
 *     returns QW_NET_ERR_BAD_ARGUMENT).
 *   - Buffers passed to callbacks belong to the library and are valid only
 *     during the call; copy what you keep.
 *   - The FileList of QW_DVR_NET_SearchAVFileList and the data of
 *     QW_DVR_NET_GetAllConfigParaEx belong to the device object and stay
 *     valid until the next such call on the same handle or its close.
 *
 * Threading
 *   - Exports may be called from any thread, but one handle must not be used
 *     on other threads while it is being closed, and the configuration calls
 *     (QW_SRDK_*) of one handle must be made from one thread at a time.
 *   - Callbacks run on the library's own threads, never on the caller's:
 *       real-data callback: the channel's live-stream receiver thread;
 *       talk callback:      the talk receiver thread;
 *       file-data callback: the download thread;
 *       search callback:    the discovery receiver thread.
 *     The library holds none of its locks while a callback runs. A callback
 *     must not block for long (it delays the next receive), must not throw,
 *     and must not stop its own channel, talk or download from inside the
 *     callback (the stop waits for the calling thread).
 *   - QW_DVR_NET_StopRealAV, QW_DVR_NET_StopDownLoadVideoFile and
 *     QW_DVR_NET_Close_Device block until the threads they stop have ended;
 *     after they return no callback for that channel or download runs.
 */
#ifndef KESTREL_NET_H
#define KESTREL_NET_H

#include <stdint.h>
#include <time.h>

#include "kestrel_net_codes.h"

#if defined(_WIN32) && !defined(_WIN64)
#define QW_API __stdcall
#define QW_CALLBACK __stdcall
#else
#define QW_API
#define QW_CALLBACK
#endif

#if defined(_WIN32)
#if defined(KESTREL_NET_BUILDING)
#define QW_NET_EXPORT __declspec(dllexport)
#else
#define QW_NET_EXPORT __declspec(dllimport)
#endif
#else
#define QW_NET_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque device handle. */
typedef struct QwDvrDevice_* QW_DVR_HANDLE;

/* ---- Records shared with the caller ------------------------------------ */

/* Written by the login check: total response length, login level
 * (9 = user, 10 and 11 = administrator rights), rights words A and B. */
typedef struct UserRights {
    int32_t total_length;
    int32_t level;
    int32_t rights_a;
    int32_t rights_b;
} UserRights;

/* One recording on the recorder, 148 bytes as the recorder sends it. */
typedef struct FileRecord {
    uint32_t file_size;     /* bytes */
    int32_t kind;           /* recording kind */
    uint32_t channel_mask;  /* bit n set for channel n + 1 */
    char name[128];         /* NUL-terminated; pass to QW_DVR_NET_VodDownloadClipVMS */
    uint8_t start_time[3];  /* hour, minute, second */
    uint8_t end_time[3];
    uint8_t reserved[2];
} FileRecord;

/* Result of QW_DVR_NET_SearchAVFileList; records live in the device object. */
typedef struct FileList {
    int32_t count;
    FileRecord* records;
} FileList;

/* A list of owned texts, released by QW_DVR_NET_FreeFileList: every entry's
 * name and the entry array are freed with free(). */
typedef struct FileNameEntry {
    char* name;
    int32_t reserved;
} FileNameEntry;
typedef struct FileNameList {
    int32_t count;
    FileNameEntry* entries;
} FileNameList;

/* A piece of a download. The end of a download is the record with
 * byte_count -1 and file_length -3. */
typedef struct FileDataRecord {
    int32_t byte_count;
    int32_t file_length;
    unsigned char* data;
} FileDataRecord;

/* A piece of the recorder's talk audio. */
typedef struct TalkDataRecord {
    unsigned char reserved[400];
    int32_t byte_count;
    unsigned char* data;
} TalkDataRecord;

/* Talk attribute record given to both libraries' talk calls:
 * {0, 1, 20, 8000, 1, 0} to open, {0, 0, 21, 8000, 1, 0} to close. */
typedef struct TalkAttributes {
    int32_t word[6];
} TalkAttributes;

/* Whole recorder configuration, moved unchanged. */
typedef struct ConfigBlock {
    int32_t reserved1;
    int32_t size;
    int32_t reserved2;
    void* data;
} ConfigBlock;

/* One discovery answer (found = 1) or the end of a search (found = 0). */
#pragma pack(push, 1)
typedef struct SearchDevInfo {
    int32_t found;
    unsigned char info[4]; /* answer bytes 17..20 */
    unsigned char mac[6];  /* answer bytes 32..37 */
} SearchDevInfo;
#pragma pack(pop)

/* Pan-tilt-zoom action: the client's PTZ command code and speed. */
typedef struct PtzAction {
    int32_t command;
    int32_t speed;
} PtzAction;

/* Disk record of QW_DVR_NET_FormatHdd (kept with the device, not sent). */
typedef struct FormatDisk {
    int32_t word[2];
} FormatDisk;

/* Answer of the recorder-identifier lookup, 72 bytes. The recorder's IPv4
 * address is at offset 44 (first byte = first number), two LE 16-bit ports
 * at offsets 48 and 50. */
typedef struct DvrAddressRecord {
    unsigned char bytes[72];
} DvrAddressRecord;

/* Where firmware upload and disk format progress goes (see
 * QW_DVR_NET_SetNotifyTarget). On Windows the window is an HWND and the
 * notification is posted to it; elsewhere the "window" is a pointer to this
 * record, whose post function the caller implements (for example by posting
 * an event to its GUI thread). post runs on the worker thread and must not
 * block. */
typedef struct QwMessageWindow {
    void* user;
    void(QW_CALLBACK* post)(void* user, uint32_t message, uintptr_t w_param, intptr_t l_param);
} QwMessageWindow;

/* Upload and format notification codes (value in brackets). */
#define QW_NOTIFY_UPLOAD_STARTED 0x20000011    /* (file length) */
#define QW_NOTIFY_UPLOAD_PROGRESS 0x10000043   /* (bytes sent so far) */
#define QW_NOTIFY_UPLOAD_FINISHED 0x10000042   /* (file length) */
#define QW_NOTIFY_UPLOAD_NO_FILE 0x10000008    /* (0) firmware file cannot be opened */
#define QW_NOTIFY_UPLOAD_CONNECT 0x10000005    /* (0) upload connection failed */
#define QW_NOTIFY_NO_MEMORY 0x1000000A         /* (0) */
#define QW_NOTIFY_SEND_FAILED 0x1000000B       /* (file length for upload, 0 for format) */
#define QW_NOTIFY_UPLOAD_SHORT_FILE 0x10100001 /* (file length) shorter than 1024 bytes */
#define QW_NOTIFY_FORMAT_CONNECT 0x10000009    /* (0) format connection failed */
#define QW_NOTIFY_FORMAT 0x10000030            /* (one of the QW_FORMAT_* values) */
#define QW_FORMAT_STARTED 0x10100011
#define QW_FORMAT_IN_PROGRESS 0x10100015 /* status 8: polling goes on */
#define QW_FORMAT_STATUS_1 0x10100012
#define QW_FORMAT_STATUS_2 0x10100014
#define QW_FORMAT_STATUS_4 0x10100013
#define QW_FORMAT_STATUS_OTHER 0x101000FF
#define QW_FORMAT_NO_ANSWER 0x10100001

/* ---- Callbacks ---------------------------------------------------------- */

/* data_type is always 2 (stream bytes); byte_count -3 means the stream was
 * lost (data then points to the receive buffer and is not meaningful). */
typedef void(QW_CALLBACK* RealDataCallback)(QW_DVR_HANDLE device, int32_t channel,
                                            int32_t data_type, const unsigned char* data,
                                            int32_t byte_count, void* user);
/* A null record means the talk receive connection was lost. */
typedef void(QW_CALLBACK* TalkDataCallback)(void* user, TalkDataRecord* record);
typedef void(QW_CALLBACK* FileDataCallback)(void* user, FileDataRecord* record);
/* Upload and format progress: (user, code, value). */
typedef void(QW_CALLBACK* DeviceNotifyCallback)(void* user, int32_t code, int32_t value);
/* length is always 14. */
typedef void(QW_CALLBACK* SearchDevCallback)(SearchDevInfo* info, int32_t length, void* user);

/* ---- Library ------------------------------------------------------------ */

/* Starts the socket layer once per process: 0, or 1 when it cannot start. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Init(void);
/* Ends socket use started by QW_DVR_NET_Init; 0 when it was not started. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Cleanup(void);
/* Both return the constant text "1.1.1.3". */
QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetSDKVersion(void);
QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetSRDKVersion(void);
/* Short static text for a result code, for logs and messages. */
QW_NET_EXPORT const char* QW_API QW_DVR_NET_ResultText(int32_t code);

/* ---- Device open, login and close --------------------------------------- */

/* Resolves a dotted IPv4 text or host name; out_address needs 16 bytes. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetHostByName(const char* name, char* out_address);

/* Identifies the recorder, logs in and returns its handle, or null with the
 * reason in *out_result. On success *out_result is the login level (9, 10,
 * 11) or 0 for types without login. Blocks for the connects and answers. */
QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_DVR_NET_Open_Device(
    const char* host, int32_t command_port, const char* user, const char* password,
    int32_t* out_type, int32_t* out_subtype, int32_t* out_result, UserRights* out_rights,
    void* reserved);
QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_DVR_NET_Open_Device_Ex(
    const char* host, int32_t command_port, int32_t mctp_port, const char* user,
    const char* password, int32_t* out_type, int32_t* out_subtype, int32_t* out_result,
    UserRights* out_rights, void* reserved);
/* Stops every thread of the device and frees it; blocks until they ended. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Close_Device(QW_DVR_HANDLE device);
/* Login check; returns the login level or a code. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CheckAdminPwd(QW_DVR_HANDLE device, const char* user,
                                                      const char* password, void* reserved,
                                                      UserRights* out_rights);

/* A device object for the MCTP configuration calls alone: no traffic. */
QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_SRDK_Open_Device(const char* host, int32_t mctp_port,
                                                       const char* user, const char* password,
                                                       void* reserved);
QW_NET_EXPORT int32_t QW_API QW_SRDK_Close_Device(QW_DVR_HANDLE device);

/* ---- Live stream and stream sound (channels 0..16) ---------------------- */

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetRealDataCallBack(QW_DVR_HANDLE device,
                                                            int32_t channel, void* user,
                                                            RealDataCallback callback);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StartRealAV(QW_DVR_HANDLE device, int32_t reserved1,
                                                    int32_t channel, int32_t reserved2,
                                                    int32_t reserved3, int32_t link_mode,
                                                    int32_t stream_number, const char* user,
                                                    const char* password);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StopRealAV(QW_DVR_HANDLE device, int32_t channel);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_OpenStreamSound(QW_DVR_HANDLE device, int32_t channel);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CloseStreamSound(QW_DVR_HANDLE device, int32_t channel);
/* Not offered by any recorder: checks its arguments, then QW_NET_ERR_NOT_SUPPORTED. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetStreamVolume(QW_DVR_HANDLE device, int32_t channel,
                                                        int32_t volume);

/* ---- Talk --------------------------------------------------------------- */

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_OpenTalk(QW_DVR_HANDLE device, const void* reserved,
                                                 TalkDataCallback callback, void* user);
/* notify non-null: tell the recorder that both directions close. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CloseTalk(QW_DVR_HANDLE device, const void* notify);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SendTalkQst(QW_DVR_HANDLE device);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SendAudioData(QW_DVR_HANDLE device, const void* data,
                                                      int32_t length, int32_t reserved1,
                                                      int32_t reserved2);

/* ---- Recorded files ------------------------------------------------------ */

/* Lists the recordings of one day between the start and end times (only the
 * start record's date is used). */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SearchAVFileList(QW_DVR_HANDLE device, int32_t channel,
                                                         const struct tm* start,
                                                         const struct tm* end, int32_t reserved1,
                                                         int32_t reserved2, int32_t file_type,
                                                         FileList* out_list);
/* Releases a FileNameList (never a FileList); null returns 0. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_FreeFileList(FileNameList* list);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetVideoFileCalendar(QW_DVR_HANDLE device, int32_t month,
                                                             int32_t second_argument,
                                                             void* reserved,
                                                             uint32_t* out_day_mask);
/* Not offered by any recorder: checks its arguments, then QW_NET_ERR_NOT_SUPPORTED. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetLogCalendar(QW_DVR_HANDLE device, int32_t month,
                                                       int32_t second_argument, const char* text);
/* (null, null) clears the pair. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetFileDataCallBackVMS(QW_DVR_HANDLE device, void* user,
                                                               FileDataCallback callback);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_VodDownloadClipVMS(QW_DVR_HANDLE device,
                                                           const char* file_name, int32_t mode,
                                                           int32_t first_value,
                                                           int32_t second_value,
                                                           int32_t third_value);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StopDownLoadVideoFile(QW_DVR_HANDLE device);

/* ---- Actions -------------------------------------------------------------- */

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_PZTAction(QW_DVR_HANDLE device, const PtzAction* action,
                                                  int32_t parameter, int32_t reserved);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_ShutDownMachine(QW_DVR_HANDLE device, int32_t mode);
/* Sets where the upload and format workers of this device report: posted to
 * window as (message, wParam = code, lParam = value) when window is non-null
 * and message non-zero, and passed to callback as (user, code, value) when
 * callback is non-null. All null/0 stops the notifications. Notifications run
 * on the worker's thread; a change takes effect from the next one on. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetNotifyTarget(QW_DVR_HANDLE device, void* window,
                                                        uint32_t message,
                                                        DeviceNotifyCallback callback,
                                                        void* user);
/* Starts formatting in a worker: 0, QW_NET_ERR_FORMAT_BUSY or QW_NET_ERR_THREAD;
 * the outcome arrives as notifications. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_FormatHdd(QW_DVR_HANDLE device, const FormatDisk* disk);
/* Starts uploading a firmware file in a worker: 0, QW_NET_ERR_FILE_OPEN or
 * QW_NET_ERR_UPLOAD_BUSY; progress and outcome arrive as notifications. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_UpdateFiletoDvr(QW_DVR_HANDLE device,
                                                        const char* file_path);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetAllConfigParaEx(QW_DVR_HANDLE device,
                                                           ConfigBlock* block);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetAllConfigParaEx(QW_DVR_HANDLE device,
                                                           ConfigBlock* block);
/* MD5 of length bytes at data, or of the file named by data when length is
 * 0: 32 lowercase hex digits in a static buffer (one for buffers, one for
 * files) that the next call of the same kind overwrites; null on failure. */
QW_NET_EXPORT const char* QW_API QW_DVR_NET_GetMD5Code(const void* data, int32_t length);

/* ---- Discovery and recorder identifiers ----------------------------------
 * One search at a time per process. The search callback runs on the
 * library's receiver thread, never under a library lock, once per answer and
 * once more with found 0 when the search ends (after a second without
 * answers). QW_DVR_NET_DestroySearchDevRes blocks until the receiver has
 * ended; the end-of-search callback may still come during that wait. The
 * broadcast destination, discovery port and identifier server come from
 * KESTREL_BROADCAST_ADDR, KESTREL_DISCOVERY_PORT and KESTREL_UID_SERVER. */

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CreateSearchDevRes(void);
QW_NET_EXPORT void QW_API QW_DVR_NET_DestroySearchDevRes(int32_t reserved1, int32_t reserved2);
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetSearchDevCallback(SearchDevCallback callback,
                                                             void* user);
/* 0 when a search runs, 255 when it could not start. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SearchDVR(void);
/* 1 when the 72-byte answer arrived, 0 otherwise. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetDvrIpPort(const char* identifier,
                                                     DvrAddressRecord* out_record);
/* "DVR" and the recorder's hardware address; *length >= 9 on entry, 9 on return. */
QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetDvrUID(QW_DVR_HANDLE device, unsigned char* out_id,
                                                  int32_t* length);

#ifdef __cplusplus
}
#endif

#include "kestrel_net_config.h"

#endif /* KESTREL_NET_H */
