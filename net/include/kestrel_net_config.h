/* Kestrel protocol library: the recorder's configuration calls.
 *
 * Each call is one MCTP request to the recorder: its input buffers travel as
 * the request's segments and the answer's segments are copied into its output
 * buffers. The records are moved unchanged; their byte layouts are in
 * kestrel_records.h. Each call returns the recorder's return value (0 =
 * success) or a library code; a null handle, array, record or count pointer
 * gives QW_NET_ERR_BAD_ARGUMENT.
 *
 * Shapes (arguments after the handle -> request segments -> answer segments):
 *   SEL_SET  selector, array, count     -> selector, array, count -> none
 *   SEL_GET  selector, array, *count    -> selector, capacity     -> array, count
 *   ARR_SET  array, count               -> array, count           -> none
 *   ARR_GET  array, *count              -> capacity               -> array, count
 *   REC_SET  record                     -> record                 -> none
 *   VAL_SET  value (not a pointer)      -> value's low bytes      -> none
 *   REC_GET  record                     -> none                   -> record
 *   KEY_GET  input, output              -> input                  -> output
 *   KEY_SET  first, second              -> first, second          -> none
 *   ACTION   none                       -> none                   -> none
 * In the get shapes *count holds the array's capacity in records on entry
 * and the number of records copied on return.
 *
 * Flags: QW_SRDK_F_LIMIT16  at most 16 records travel through the library's
 *                           own buffer;
 *        QW_SRDK_F_ASK16    the request asks for 16 records whatever the
 *                           caller's capacity (only those that fit are copied);
 *        QW_SRDK_F_NO_SEG   the request carries no segment at all;
 *        QW_SRDK_F_OPT_ARG  the output may be null (the answer is then dropped).
 * A negative count or capacity is refused with QW_NET_ERR_BAD_ARGUMENT.
 *
 * Threading: the calls of one handle must be made from one thread at a time.
 */
#ifndef KESTREL_NET_CONFIG_H
#define KESTREL_NET_CONFIG_H

#define QW_SRDK_F_LIMIT16 1
#define QW_SRDK_F_NO_SEG 4
#define QW_SRDK_F_OPT_ARG 8
#define QW_SRDK_F_ASK16 16

/* X(name, shape, size in bytes of the (first) record, size of the second, flags) */
#define QW_SRDK_CONFIG_CALLS(X)                                                    \
    X(QW_SRDK_MEDIA_SetStreamEncryptAttr, SEL_SET, 48, 0, 0)                       \
    X(QW_SRDK_MEDIA_SetVideoAttr, SEL_SET, 72, 0, 0)                               \
    X(QW_SRDK_MEDIA_SetAudioAttr, SEL_SET, 56, 0, 0)                               \
    X(QW_SRDK_MEDIA_SetWaterMarkAttr, SEL_SET, 64, 0, 0)                           \
    X(QW_SRDK_MEDIA_GetStreamEncryptAttr, SEL_GET, 48, 0,                          \
      QW_SRDK_F_LIMIT16)                                                           \
    X(QW_SRDK_MEDIA_GetVideoAttr, SEL_GET, 72, 0, QW_SRDK_F_LIMIT16 | QW_SRDK_F_ASK16) \
    X(QW_SRDK_MEDIA_GetAudioAttr, SEL_GET, 56, 0, 0)                               \
    X(QW_SRDK_MEDIA_GetWaterMarkAttr, SEL_GET, 64, 0, 0)                           \
    X(QW_SRDK_NET_Network_GetNetdevName, SEL_GET, 64, 0, 0)                        \
    X(QW_SRDK_MEDIA_SetAVBindAttr, ARR_SET, 40, 0, 0)                              \
    X(QW_SRDK_MEDIA_SetOsd, ARR_SET, 6060, 0, 0)                                   \
    X(QW_SRDK_MEDIA_SetDevDisplayerAttr, ARR_SET, 1136, 0, 0)                      \
    X(QW_SRDK_MEDIA_SetChnDisp, ARR_SET, 104, 0, 0)                                \
    X(QW_SRDK_MEDIA_SetAoAttr, ARR_SET, 48, 0, 0)                                  \
    X(QW_SRDK_RECORDER_SetRecordAttr, ARR_SET, 56, 0, 0)                           \
    X(QW_SRDK_RECORDER_SetRecordSchedule, ARR_SET, 208, 0, 0)                      \
    X(QW_SRDK_RECORDER_SetPlaybackAttr, ARR_SET, 48, 0, 0)                         \
    X(QW_SRDK_ALARM_SetMDAttr, ARR_SET, 100, 0, 0)                                 \
    X(QW_SRDK_NET_SetDdnsAttr, ARR_SET, 336, 0, 0)                                 \
    X(QW_SRDK_NET_SetIppreviewVodAttr, ARR_SET, 408, 0, 0)                         \
    X(QW_SRDK_SYS_USERMNG_ModifyGroupInfo, ARR_SET, 72, 0, 0)                      \
    X(QW_SRDK_DEV_SetPtzAttr, ARR_SET, 32, 0, 0)                                   \
    X(QW_SRDK_MEDIA_GetAVBindAttr, ARR_GET, 40, 0, 0)                              \
    X(QW_SRDK_MEDIA_GetOsd, ARR_GET, 6060, 0, 0)                                   \
    X(QW_SRDK_MEDIA_GetDevDisplayerAttr, ARR_GET, 1136, 0, 0)                      \
    X(QW_SRDK_MEDIA_GetChnDisp, ARR_GET, 104, 0, 0)                                \
    X(QW_SRDK_MEDIA_GetAoAttr, ARR_GET, 48, 0, 0)                                  \
    X(QW_SRDK_RECORDER_GetRecordAttr, ARR_GET, 56, 0, 0)                           \
    X(QW_SRDK_RECORDER_GetRecordSchedule, ARR_GET, 208, 0, 0)                      \
    X(QW_SRDK_RECORDER_GetPlaybackAttr, ARR_GET, 48, 0, 0)                         \
    X(QW_SRDK_ALARM_GetMDAttr, ARR_GET, 100, 0, 0)                                 \
    X(QW_SRDK_NET_GetDdnsAttr, ARR_GET, 336, 0, 0)                                 \
    X(QW_SRDK_NET_GetIppreviewVodAttr, ARR_GET, 408, 0, 0)                         \
    X(QW_SRDK_SYS_USERMNG_GetGroupList, ARR_GET, 72, 0, 0)                         \
    X(QW_SRDK_DEV_GetPtzAttr, ARR_GET, 32, 0, 0)                                   \
    X(QW_SRDK_SYS_USERMNG_GetAuthorityList, ARR_GET, 128, 0, QW_SRDK_F_NO_SEG)     \
    X(QW_SRDK_GUI_SetAttr, REC_SET, 40, 0, 0)                                      \
    X(QW_SRDK_ALARM_SetAlarmInAttr, REC_SET, 88, 0, 0)                             \
    X(QW_SRDK_ALARM_SetAlarmOutAttr, REC_SET, 160, 0, 0)                           \
    X(QW_SRDK_NET_SetWebServerPort, VAL_SET, 2, 0, 0)                              \
    X(QW_SRDK_NET_SetMctpServerPort, VAL_SET, 2, 0, 0)                             \
    X(QW_SRDK_NET_SetPppoeAttr, REC_SET, 200, 0, 0)                                \
    X(QW_SRDK_NET_SetEmailAttr, REC_SET, 3376, 0, 0)                               \
    X(QW_SRDK_NET_MOBILE_SetAttr, REC_SET, 48, 0, 0)                               \
    X(QW_SRDK_NET_MOBILE_SetOwspAttr, REC_SET, 40, 0, 0)                           \
    X(QW_SRDK_NET_Network_SetDNSList, REC_SET, 8, 0, 0)                            \
    X(QW_SRDK_NET_Network_DHCP_Client_SetAttr, REC_SET, 104, 0, 0)                 \
    X(QW_SRDK_NET_Network_SetDefaultGateway, REC_SET, 72, 0, 0)                    \
    X(QW_SRDK_SYS_SetSystemAttr, REC_SET, 56, 0, 0)                                \
    X(QW_SRDK_SYS_SetDaylightAttr, REC_SET, 48, 0, 0)                              \
    X(QW_SRDK_SYS_SetSysMaintainAttr, REC_SET, 48, 0, 0)                           \
    X(QW_SRDK_SYS_USERMNG_DelGroup, VAL_SET, 4, 0, 0)                              \
    X(QW_SRDK_DEV_SetHddAttr, REC_SET, 56, 0, 0)                                   \
    X(QW_SRDK_TV_SetTVAttr, REC_SET, 4, 0, 0)                                      \
    X(QW_SRDK_GUI_GetAttr, REC_GET, 40, 0, 0)                                      \
    X(QW_SRDK_ALARM_GetAlarmInAttr, REC_GET, 88, 0, 0)                             \
    X(QW_SRDK_ALARM_GetAlarmOutAttr, REC_GET, 160, 0, 0)                           \
    X(QW_SRDK_NET_GetWebServerPort, REC_GET, 2, 0, 0)                              \
    X(QW_SRDK_NET_GetMctpServerPort, REC_GET, 2, 0, 0)                             \
    X(QW_SRDK_NET_GetPppoeAttr, REC_GET, 200, 0, 0)                                \
    X(QW_SRDK_NET_GetEmailAttr, REC_GET, 3376, 0, 0)                               \
    X(QW_SRDK_NET_MOBILE_GetAttr, REC_GET, 48, 0, 0)                               \
    X(QW_SRDK_NET_MOBILE_GetOwspAttr, REC_GET, 40, 0, 0)                           \
    X(QW_SRDK_NET_Network_GetDNSList, REC_GET, 8, 0, 0)                            \
    X(QW_SRDK_NET_Network_DHCP_Client_GetAttr, REC_GET, 104, 0, 0)                 \
    X(QW_SRDK_NET_Network_GetDefaultGateway, REC_GET, 72, 0, 0)                    \
    X(QW_SRDK_SYS_GetSystemAttr, REC_GET, 56, 0, 0)                                \
    X(QW_SRDK_SYS_GetDaylightAttr, REC_GET, 48, 0, 0)                              \
    X(QW_SRDK_SYS_GetSysMaintainAttr, REC_GET, 48, 0, 0)                           \
    X(QW_SRDK_SYS_USERMNG_GetUserList, REC_GET, 208, 0, 0)                         \
    X(QW_SRDK_DEV_GetUsbDiskInfo, REC_GET, 232, 0, 0)                              \
    X(QW_SRDK_DEV_GetHddInfo, REC_GET, 712, 0, 0)                                  \
    X(QW_SRDK_DEV_GetHddAttr, REC_GET, 56, 0, 0)                                   \
    X(QW_SRDK_DEV_GetDeviceInfo, REC_GET, 472, 0, 0)                               \
    X(QW_SRDK_DEV_GetDevCaps, REC_GET, 128, 0, 0)                                  \
    X(QW_SRDK_DVR_GetStatus, REC_GET, 56, 0, 0)                                    \
    X(QW_SRDK_SD_GetDeviceInfo, REC_GET, 32, 0, 0)                                 \
    X(QW_SRDK_TV_GetTVAttr, REC_GET, 8, 0, 0)                                      \
    X(QW_SRDK_TV_ProgramInc, REC_GET, 4, 0, 0)                                     \
    X(QW_SRDK_TV_ProgramDec, REC_GET, 4, 0, 0)                                     \
    X(QW_SRDK_TV_OutPutSwitch, REC_GET, 1, 0, 0)                                   \
    X(QW_SRDK_TV_GetTVState, REC_GET, 1, 0, 0)                                     \
    X(QW_SRDK_ALARM_SetAlarmInSchedule, KEY_SET, 4, 96, 0)                         \
    X(QW_SRDK_ALARM_SetAlarmOutSchedule, KEY_SET, 4, 96, 0)                        \
    X(QW_SRDK_ALARM_GetAlarmInSchedule, KEY_GET, 4, 96, 0)                         \
    X(QW_SRDK_ALARM_GetAlarmOutSchedule, KEY_GET, 4, 96, 0)                        \
    X(QW_SRDK_NET_Network_SetNetdevAttr, KEY_SET, 64, 112, 0)                      \
    X(QW_SRDK_NET_Network_GetNetdevAttr, KEY_GET, 64, 112, 0)                      \
    X(QW_SRDK_SYS_USERMNG_AddUser, KEY_GET, 728, 208, 0)                           \
    X(QW_SRDK_SYS_USERMNG_DelUser, KEY_GET, 212, 208, 0)                           \
    X(QW_SRDK_SYS_USERMNG_ModifyUserInfo, KEY_GET, 208, 208, QW_SRDK_F_OPT_ARG)    \
    X(QW_SRDK_SYS_USERMNG_AddGroup, KEY_GET, 72, 4, 0)                             \
    X(QW_SRDK_SYS_GetUserPrewPri, KEY_GET, 201, 201, 0)                            \
    X(QW_SRDK_SYS_SetUserPrewPri, KEY_GET, 201, 201, 0)                            \
    X(QW_SRDK_SYS_USERMNG_Enable, ACTION, 0, 0, 0)                                 \
    X(QW_SRDK_SYS_USERMNG_Disable, ACTION, 0, 0, 0)                                \
    X(QW_SRDK_DEV_SaveFlash, ACTION, 0, 0, 0)                                      \
    X(QW_SRDK_DEV_RestartMachine, ACTION, 0, 0, 0)                                 \
    X(QW_SRDK_DEV_ResetParameter, ACTION, 0, 0, 0)                                 \
    X(QW_SRDK_SD_SetFormat, ACTION, 0, 0, 0)                                       \
    X(QW_SRDK_TV_AutoSearch, ACTION, 0, 0, 0)

/* Argument lists of each shape, after the handle (each starts with its comma). */
#define QW_SRDK_ARGS_SEL_SET , int32_t selector, void* array, int32_t count
#define QW_SRDK_ARGS_SEL_GET , int32_t selector, void* array, int32_t* count
#define QW_SRDK_ARGS_ARR_SET , void* array, int32_t count
#define QW_SRDK_ARGS_ARR_GET , void* array, int32_t* count
#define QW_SRDK_ARGS_REC_SET , void* record
#define QW_SRDK_ARGS_VAL_SET , int32_t value
#define QW_SRDK_ARGS_REC_GET , void* record
#define QW_SRDK_ARGS_KEY_GET , void* input, void* output
#define QW_SRDK_ARGS_KEY_SET , void* first, void* second
#define QW_SRDK_ARGS_ACTION

#define QW_SRDK_DECLARE_CALL(name, shape, size1, size2, flags) \
    QW_NET_EXPORT int32_t QW_API name(QW_DVR_HANDLE device QW_SRDK_ARGS_##shape);

#ifdef __cplusplus
extern "C" {
#endif

QW_SRDK_CONFIG_CALLS(QW_SRDK_DECLARE_CALL)

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_NET_CONFIG_H */
