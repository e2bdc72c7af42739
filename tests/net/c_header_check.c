/* Compiled as C: the public headers must stay plain C. Lists every export so
 * a declaration that C cannot parse, or a missing one, breaks the build. */
#include "kestrel_net.h"

#include <stddef.h>

typedef void (*AnyFunction)(void);

#define KN_AS_ENTRY(name, shape, size1, size2, flags) (AnyFunction)name,

static const AnyFunction kExports[] = {
    (AnyFunction)QW_DVR_NET_Init,
    (AnyFunction)QW_DVR_NET_Cleanup,
    (AnyFunction)QW_DVR_NET_GetSDKVersion,
    (AnyFunction)QW_DVR_NET_GetSRDKVersion,
    (AnyFunction)QW_DVR_NET_ResultText,
    (AnyFunction)QW_DVR_NET_GetHostByName,
    (AnyFunction)QW_DVR_NET_Open_Device,
    (AnyFunction)QW_DVR_NET_Open_Device_Ex,
    (AnyFunction)QW_DVR_NET_Close_Device,
    (AnyFunction)QW_DVR_NET_CheckAdminPwd,
    (AnyFunction)QW_SRDK_Open_Device,
    (AnyFunction)QW_SRDK_Close_Device,
    (AnyFunction)QW_DVR_NET_SetRealDataCallBack,
    (AnyFunction)QW_DVR_NET_StartRealAV,
    (AnyFunction)QW_DVR_NET_StopRealAV,
    (AnyFunction)QW_DVR_NET_OpenStreamSound,
    (AnyFunction)QW_DVR_NET_CloseStreamSound,
    (AnyFunction)QW_DVR_NET_SetStreamVolume,
    (AnyFunction)QW_DVR_NET_OpenTalk,
    (AnyFunction)QW_DVR_NET_CloseTalk,
    (AnyFunction)QW_DVR_NET_SendTalkQst,
    (AnyFunction)QW_DVR_NET_SendAudioData,
    (AnyFunction)QW_DVR_NET_SearchAVFileList,
    (AnyFunction)QW_DVR_NET_FreeFileList,
    (AnyFunction)QW_DVR_NET_GetVideoFileCalendar,
    (AnyFunction)QW_DVR_NET_GetLogCalendar,
    (AnyFunction)QW_DVR_NET_SetFileDataCallBackVMS,
    (AnyFunction)QW_DVR_NET_VodDownloadClipVMS,
    (AnyFunction)QW_DVR_NET_StopDownLoadVideoFile,
    (AnyFunction)QW_DVR_NET_PZTAction,
    (AnyFunction)QW_DVR_NET_ShutDownMachine,
    (AnyFunction)QW_DVR_NET_SetNotifyTarget,
    (AnyFunction)QW_DVR_NET_FormatHdd,
    (AnyFunction)QW_DVR_NET_UpdateFiletoDvr,
    (AnyFunction)QW_DVR_NET_SetAllConfigParaEx,
    (AnyFunction)QW_DVR_NET_GetAllConfigParaEx,
    (AnyFunction)QW_DVR_NET_GetMD5Code,
    (AnyFunction)QW_DVR_NET_CreateSearchDevRes,
    (AnyFunction)QW_DVR_NET_DestroySearchDevRes,
    (AnyFunction)QW_DVR_NET_SetSearchDevCallback,
    (AnyFunction)QW_DVR_NET_SearchDVR,
    (AnyFunction)QW_DVR_NET_GetDvrIpPort,
    (AnyFunction)QW_DVR_NET_GetDvrUID,
    QW_SRDK_CONFIG_CALLS(KN_AS_ENTRY)
};

size_t kestrel_c_export_count(void);
size_t kestrel_c_export_count(void) {
    size_t n = 0;
    size_t i;
    for (i = 0; i < sizeof kExports / sizeof kExports[0]; ++i) {
        n += kExports[i] != NULL ? 1u : 0u;
    }
    return n;
}

/* The records the caller shares with the library keep their wire sizes. */
typedef char FileRecordIs148[sizeof(FileRecord) == 148 ? 1 : -1];
typedef char SearchDevInfoIs14[sizeof(SearchDevInfo) == 14 ? 1 : -1];
typedef char UserRightsIs16[sizeof(UserRights) == 16 ? 1 : -1];
typedef char AddressRecordIs72[sizeof(DvrAddressRecord) == 72 ? 1 : -1];
