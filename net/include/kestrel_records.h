/* Kestrel: byte layouts of the recorder's configuration records.
 *
 * The configuration calls of kestrel_net_config.h move these records
 * unchanged; the client's pages and the simulator's record store read and
 * write them through the structs below. Plain C (C11) and C++.
 *
 * Byte order: every integer travels little-endian and nothing converts it, so
 * the fields are read as host integers. All targets are little-endian (the
 * check below refuses any other). IPv4 addresses are four bytes with the
 * first number of the dotted text first; texts are NUL-padded char arrays.
 *
 * Every field sits at its natural alignment, so the structs need no packing;
 * the asserts after each struct hold its wire size and field offsets.
 * Fields named reserved are carried unchanged: keep what the recorder sent.
 * A record that no page reads is a plain byte body.
 *
 * Choice fields hold the index of the choice (first choice = 0) unless their
 * comment says otherwise; the QW_* constants below name the indexes.
 *
 * Call                                      Record (in / out)
 * QW_SRDK_MEDIA_Get/SetVideoAttr            QwVideoAttr[] (selector QW_STREAM_*)
 * QW_SRDK_MEDIA_Get/SetAudioAttr            QwAudioAttr[] (selector QW_STREAM_*)
 * QW_SRDK_MEDIA_Get/SetStreamEncryptAttr    QwStreamEncryptAttr[]
 * QW_SRDK_MEDIA_Get/SetWaterMarkAttr        QwWaterMarkAttr[]
 * QW_SRDK_MEDIA_Get/SetAVBindAttr           QwAvBindAttr[]
 * QW_SRDK_MEDIA_Get/SetOsd                  QwOsdAttr[]
 * QW_SRDK_MEDIA_Get/SetDevDisplayerAttr     QwDisplayerAttr[]
 * QW_SRDK_MEDIA_Get/SetChnDisp              QwChnDispAttr[]
 * QW_SRDK_MEDIA_Get/SetAoAttr               QwAoAttr[]
 * QW_SRDK_RECORDER_Get/SetRecordAttr        QwRecordAttr[]
 * QW_SRDK_RECORDER_Get/SetRecordSchedule    QwRecordSchedule[]
 * QW_SRDK_RECORDER_Get/SetPlaybackAttr      QwPlaybackAttr[]
 * QW_SRDK_ALARM_Get/SetMDAttr               QwMdAttr[]
 * QW_SRDK_ALARM_Get/SetAlarmInAttr          QwAlarmInAttr
 * QW_SRDK_ALARM_Get/SetAlarmOutAttr         QwAlarmOutAttr
 * QW_SRDK_ALARM_Get/SetAlarmInSchedule      int32_t channel / QwAlarmSchedule
 * QW_SRDK_ALARM_Get/SetAlarmOutSchedule     int32_t channel / QwAlarmSchedule
 * QW_SRDK_NET_Get/SetDdnsAttr               QwDdnsAttr[]
 * QW_SRDK_NET_Get/SetIppreviewVodAttr       QwIpPreviewVodAttr[]
 * QW_SRDK_NET_Get/SetPppoeAttr              QwPppoeAttr
 * QW_SRDK_NET_Get/SetEmailAttr              QwEmailAttr
 * QW_SRDK_NET_Get/SetWebServerPort          uint16_t port
 * QW_SRDK_NET_Get/SetMctpServerPort         uint16_t port
 * QW_SRDK_NET_MOBILE_Get/SetAttr            QwMobileAttr
 * QW_SRDK_NET_MOBILE_Get/SetOwspAttr        QwMobileOwspAttr
 * QW_SRDK_NET_Network_GetNetdevName         QwNetdevName[] (selector: reserved)
 * QW_SRDK_NET_Network_Get/SetNetdevAttr     QwNetdevName / QwNetdevAttr
 * QW_SRDK_NET_Network_Get/SetDNSList        QwDnsList
 * QW_SRDK_NET_Network_DHCP_Client_Get/SetAttr  QwDhcpClientAttr
 * QW_SRDK_NET_Network_Get/SetDefaultGateway QwDefaultGateway
 * QW_SRDK_GUI_Get/SetAttr                   QwGuiAttr
 * QW_SRDK_SYS_Get/SetSystemAttr             QwSystemAttr
 * QW_SRDK_SYS_Get/SetDaylightAttr           QwDaylightAttr
 * QW_SRDK_SYS_Get/SetSysMaintainAttr        QwSysMaintainAttr
 * QW_SRDK_SYS_Get/SetUserPrewPri            QwUserPreviewRights / QwUserPreviewRights
 * QW_SRDK_SYS_USERMNG_GetUserList           QwUserList
 * QW_SRDK_SYS_USERMNG_AddUser               QwUserAddRequest / QwUserList
 * QW_SRDK_SYS_USERMNG_DelUser               QwUserDelRequest / QwUserList
 * QW_SRDK_SYS_USERMNG_ModifyUserInfo        QwUserList / QwUserList
 * QW_SRDK_SYS_USERMNG_GetGroupList          QwGroupInfo[]
 * QW_SRDK_SYS_USERMNG_ModifyGroupInfo       QwGroupInfo[]
 * QW_SRDK_SYS_USERMNG_AddGroup              QwGroupInfo / int32_t group number
 * QW_SRDK_SYS_USERMNG_DelGroup              int32_t group number
 * QW_SRDK_SYS_USERMNG_GetAuthorityList      QwAuthority[]
 * QW_SRDK_DEV_Get/SetPtzAttr                QwPtzAttr[]
 * QW_SRDK_DEV_Get/SetHddAttr                QwHddAttr
 * QW_SRDK_DEV_GetHddInfo                    QwHddInfo
 * QW_SRDK_DEV_GetUsbDiskInfo                QwUsbDiskInfo
 * QW_SRDK_DEV_GetDeviceInfo                 QwDeviceInfo
 * QW_SRDK_DEV_GetDevCaps                    QwDevCaps
 * QW_SRDK_DVR_GetStatus                     QwDvrStatus
 * QW_SRDK_SD_GetDeviceInfo                  QwSdCardInfo
 * QW_SRDK_TV_GetTVAttr                      QwTvAttr
 * QW_SRDK_TV_SetTVAttr                      QwTvSet
 * QW_SRDK_TV_ProgramInc / ProgramDec        QwTvProgram
 * QW_SRDK_TV_OutPutSwitch / GetTVState      uint8_t
 */
#ifndef KESTREL_RECORDS_H
#define KESTREL_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the configuration records are read as host integers: little-endian hosts only"
#endif

#ifdef __cplusplus
#define QW_RECORD_ASSERT(cond, text) static_assert(cond, text)
#else
#define QW_RECORD_ASSERT(cond, text) _Static_assert(cond, text)
#endif
#define QW_RECORD_SIZE(type, size) QW_RECORD_ASSERT(sizeof(type) == (size), #type " size")
#define QW_RECORD_AT(type, field, offset) \
    QW_RECORD_ASSERT(offsetof(type, field) == (offset), #type "." #field " offset")

/* ---- Shared limits -------------------------------------------------------- */

#define QW_MAX_CHANNELS 16 /* per-channel arrays hold this many records */

/* Selector of the video and audio calls: which stream's array is meant. */
enum { QW_STREAM_RECORD = 0, QW_STREAM_NETWORK = 1, QW_STREAM_MOBILE = 2 };

/* ---- Media ---------------------------------------------------------------- */

/* Resolution codes; with 0 the picture size is the one in width and height. */
enum { QW_RES_USER_DEFINED = 0, QW_RES_CIF = 1, QW_RES_HD1 = 2, QW_RES_D1 = 3 };

/* One channel of one stream. */
typedef struct QwVideoAttr {
    int32_t channel;        /* 0: 0-based */
    uint8_t reserved1[8];   /* 4 */
    int32_t frame_rate;     /* 12: frames per second */
    int32_t stream_control; /* 16: bit-rate control choice */
    int32_t bit_rate;       /* 20: kbit/s */
    int32_t resolution;     /* 24: QW_RES_* */
    int32_t height;         /* 28: picture height, pixels */
    int32_t width;          /* 32: picture width, pixels */
    int32_t gop;            /* 36: frames between key frames */
    uint8_t reserved2[32];  /* 40 */
} QwVideoAttr;
QW_RECORD_SIZE(QwVideoAttr, 72);
QW_RECORD_AT(QwVideoAttr, channel, 0);
QW_RECORD_AT(QwVideoAttr, frame_rate, 12);
QW_RECORD_AT(QwVideoAttr, stream_control, 16);
QW_RECORD_AT(QwVideoAttr, bit_rate, 20);
QW_RECORD_AT(QwVideoAttr, resolution, 24);
QW_RECORD_AT(QwVideoAttr, height, 28);
QW_RECORD_AT(QwVideoAttr, width, 32);
QW_RECORD_AT(QwVideoAttr, gop, 36);

enum {
    QW_AUDIO_AMR = 0,
    QW_AUDIO_ADPCM = 1,
    QW_AUDIO_G711A = 2,
    QW_AUDIO_G711U = 3,
    QW_AUDIO_G726 = 4
};
enum {
    QW_AUDIO_RATE_8000 = 0,
    QW_AUDIO_RATE_11025 = 1,
    QW_AUDIO_RATE_16000 = 2,
    QW_AUDIO_RATE_22050 = 3,
    QW_AUDIO_RATE_24000 = 4,
    QW_AUDIO_RATE_32000 = 5,
    QW_AUDIO_RATE_44100 = 6,
    QW_AUDIO_RATE_48000 = 7
};
enum { QW_AUDIO_WIDTH_8 = 0, QW_AUDIO_WIDTH_16 = 1 };

/* One channel of one stream. */
typedef struct QwAudioAttr {
    int32_t channel;       /* 0 */
    uint8_t reserved1[4];  /* 4 */
    int32_t protocol;      /* 8: QW_AUDIO_AMR.. */
    int32_t sample_rate;   /* 12: QW_AUDIO_RATE_* */
    int32_t sample_width;  /* 16: QW_AUDIO_WIDTH_* */
    uint8_t reserved2[36]; /* 20 */
} QwAudioAttr;
QW_RECORD_SIZE(QwAudioAttr, 56);
QW_RECORD_AT(QwAudioAttr, channel, 0);
QW_RECORD_AT(QwAudioAttr, protocol, 8);
QW_RECORD_AT(QwAudioAttr, sample_rate, 12);
QW_RECORD_AT(QwAudioAttr, sample_width, 16);

#define QW_AV_UNBOUND (-1)

/* Which video channel an audio channel belongs to. */
typedef struct QwAvBindAttr {
    int32_t audio_channel; /* 0 */
    int32_t video_channel; /* 4: QW_AV_UNBOUND when not bound */
    uint8_t reserved[32];  /* 8 */
} QwAvBindAttr;
QW_RECORD_SIZE(QwAvBindAttr, 40);
QW_RECORD_AT(QwAvBindAttr, audio_channel, 0);
QW_RECORD_AT(QwAvBindAttr, video_channel, 4);

typedef struct QwStreamEncryptAttr {
    uint8_t bytes[48];
} QwStreamEncryptAttr;
QW_RECORD_SIZE(QwStreamEncryptAttr, 48);

typedef struct QwWaterMarkAttr {
    uint8_t bytes[64];
} QwWaterMarkAttr;
QW_RECORD_SIZE(QwWaterMarkAttr, 64);

typedef struct QwOsdAttr {
    uint8_t bytes[6060];
} QwOsdAttr;
QW_RECORD_SIZE(QwOsdAttr, 6060);

typedef struct QwDisplayerAttr {
    uint8_t bytes[1136];
} QwDisplayerAttr;
QW_RECORD_SIZE(QwDisplayerAttr, 1136);

typedef struct QwChnDispAttr {
    uint8_t bytes[104];
} QwChnDispAttr;
QW_RECORD_SIZE(QwChnDispAttr, 104);

typedef struct QwAoAttr {
    uint8_t bytes[48];
} QwAoAttr;
QW_RECORD_SIZE(QwAoAttr, 48);

/* ---- Recording ------------------------------------------------------------ */

enum { QW_RECORD_MODE_POWER_UP = 0, QW_RECORD_MODE_TIMER = 1 };
/* Pack unit choices: index i means (i + 1) * 15 minutes per file. */
enum { QW_PACK_15_MIN = 0, QW_PACK_30_MIN = 1, QW_PACK_45_MIN = 2, QW_PACK_60_MIN = 3 };

typedef struct QwRecordAttr {
    int32_t channel;      /* 0 */
    int32_t enable;       /* 4: record switch, 1 on */
    int32_t mode;         /* 8: QW_RECORD_MODE_* */
    int32_t pack_unit;    /* 12: QW_PACK_* */
    uint8_t reserved[40]; /* 16 */
} QwRecordAttr;
QW_RECORD_SIZE(QwRecordAttr, 56);
QW_RECORD_AT(QwRecordAttr, channel, 0);
QW_RECORD_AT(QwRecordAttr, enable, 4);
QW_RECORD_AT(QwRecordAttr, mode, 8);
QW_RECORD_AT(QwRecordAttr, pack_unit, 12);

/* Record type of one hour slot. */
enum {
    QW_RECTYPE_NONE = 0,
    QW_RECTYPE_NORMAL = 1,
    QW_RECTYPE_ALARM = 2,
    QW_RECTYPE_SENSOR = 3,
    QW_RECTYPE_MD_AND_IO = 4
};

/* Weekly plan of one channel: slot[d][h] is day d (0..6), hour slot h (0..23),
 * so byte 2 + 24 * d + h of the record. */
typedef struct QwRecordSchedule {
    uint16_t channel;     /* 0 */
    uint8_t slot[7][24];  /* 2: QW_RECTYPE_* */
    uint8_t reserved[38]; /* 170 */
} QwRecordSchedule;
QW_RECORD_SIZE(QwRecordSchedule, 208);
QW_RECORD_AT(QwRecordSchedule, channel, 0);
QW_RECORD_AT(QwRecordSchedule, slot, 2);
QW_RECORD_AT(QwRecordSchedule, slot[1][0], 26);
QW_RECORD_AT(QwRecordSchedule, slot[6][23], 169);

typedef struct QwPlaybackAttr {
    uint8_t bytes[48];
} QwPlaybackAttr;
QW_RECORD_SIZE(QwPlaybackAttr, 48);

/* ---- Alarms --------------------------------------------------------------- */

/* Delay choices of the alarm actions: 10, 30, 60, 120, 180, 300, 600 s. */
enum {
    QW_DELAY_10_S = 0,
    QW_DELAY_30_S = 1,
    QW_DELAY_60_S = 2,
    QW_DELAY_120_S = 3,
    QW_DELAY_180_S = 4,
    QW_DELAY_300_S = 5,
    QW_DELAY_600_S = 6
};
/* E-mail interval choices: 10, 30, 60, 180 s. */
enum { QW_INTERVAL_10_S = 0, QW_INTERVAL_30_S = 1, QW_INTERVAL_60_S = 2, QW_INTERVAL_180_S = 3 };
enum { QW_INPUT_NO = 0, QW_INPUT_NC = 1 };

/* What one alarm event does. Flags are 1 on, 0 off; delays QW_DELAY_*. */
typedef struct QwAlarmAction {
    uint8_t buzzer;        /* 0 */
    uint8_t buzzer_delay;  /* 1 */
    uint8_t email;         /* 2 */
    uint8_t record;        /* 3 */
    uint8_t record_delay;  /* 4 */
    uint8_t capture;       /* 5 */
    uint8_t capture_delay; /* 6 */
    uint8_t alarm_out;     /* 7: drive the alarm output */
    uint8_t pre_record;    /* 8 */
    uint8_t reserved;      /* 9 */
} QwAlarmAction;
QW_RECORD_SIZE(QwAlarmAction, 10);
QW_RECORD_AT(QwAlarmAction, buzzer_delay, 1);
QW_RECORD_AT(QwAlarmAction, pre_record, 8);

/* Events of the recorder itself (not of a channel). */
enum {
    QW_DEV_EVENT_NO_DISK = 0,
    QW_DEV_EVENT_DISK_FULL = 1,
    QW_DEV_EVENT_DISK_ERROR = 2,
    QW_DEV_EVENT_NET_DOWN = 3,
    QW_DEV_EVENT_COUNT = 4
};

typedef struct QwDeviceEventAlarm {
    uint8_t enable;         /* 0 */
    uint8_t buzzer;         /* 1 */
    uint8_t buzzer_delay;   /* 2: QW_DELAY_* */
    uint8_t email;          /* 3 */
    uint8_t email_interval; /* 4: QW_INTERVAL_* */
    uint8_t alarm_out;      /* 5 */
    uint8_t reserved[2];    /* 6 */
} QwDeviceEventAlarm;
QW_RECORD_SIZE(QwDeviceEventAlarm, 8);

/* Alarm inputs (one per channel, index = channel) and the device events. */
typedef struct QwAlarmInAttr {
    uint8_t enable[QW_MAX_CHANNELS];                     /* 0: 1 = the input raises alarms */
    uint8_t input_type[QW_MAX_CHANNELS];                 /* 16: QW_INPUT_* */
    QwDeviceEventAlarm device_event[QW_DEV_EVENT_COUNT]; /* 32: QW_DEV_EVENT_* */
    uint8_t reserved[24];                                /* 64 */
} QwAlarmInAttr;
QW_RECORD_SIZE(QwAlarmInAttr, 88);
QW_RECORD_AT(QwAlarmInAttr, enable, 0);
QW_RECORD_AT(QwAlarmInAttr, input_type, 16);
QW_RECORD_AT(QwAlarmInAttr, device_event, 32);
QW_RECORD_AT(QwAlarmInAttr, device_event[3].alarm_out, 61);

/* What each channel's alarm input does (index = channel). */
typedef struct QwAlarmOutAttr {
    QwAlarmAction input_action[QW_MAX_CHANNELS]; /* 0 */
} QwAlarmOutAttr;
QW_RECORD_SIZE(QwAlarmOutAttr, 160);
QW_RECORD_AT(QwAlarmOutAttr, input_action[15].reserved, 159);

/* Motion area: cell (row r, column c) is bit k = r * 15 + c, in byte k / 8 at
 * bit k % 8; rows are 15 bits apart whatever the column count. */
#define QW_MD_AREA_BYTES 32
#define QW_MD_AREA_ROW_BITS 15
#define QW_MD_AREA_MAX_ROWS 12
#define QW_MD_AREA_MAX_COLUMNS 15

/* Motion detection of one channel. */
typedef struct QwMdAttr {
    int32_t channel;                /* 0 */
    int32_t enable;                 /* 4 */
    int32_t sensitivity;            /* 8: sensitivity choice, 0 = least sensitive */
    int32_t trigger_percent;        /* 12: share of the area that must move, 0..100 */
    uint8_t area[QW_MD_AREA_BYTES]; /* 16 */
    QwAlarmAction action;           /* 48 */
    uint8_t reserved[42];           /* 58 */
} QwMdAttr;
QW_RECORD_SIZE(QwMdAttr, 100);
QW_RECORD_AT(QwMdAttr, channel, 0);
QW_RECORD_AT(QwMdAttr, enable, 4);
QW_RECORD_AT(QwMdAttr, sensitivity, 8);
QW_RECORD_AT(QwMdAttr, trigger_percent, 12);
QW_RECORD_AT(QwMdAttr, area, 16);
QW_RECORD_AT(QwMdAttr, action, 48);

/* One time period of a plan, hours 0..23 and minutes 0..59; start equal to
 * end means the period is unused. */
typedef struct QwAlarmPeriod {
    uint8_t start_hour;
    uint8_t start_minute;
    uint8_t end_hour;
    uint8_t end_minute;
} QwAlarmPeriod;
QW_RECORD_SIZE(QwAlarmPeriod, 4);

enum {
    QW_PLAN_ENABLE = 0,
    QW_PLAN_OUTPUT = 1,
    QW_PLAN_RECORD = 2,
    QW_PLAN_SNAP = 3,
    QW_PLAN_COUNT = 4,
    QW_PLAN_PERIODS = 6
};

/* When one channel's alarms are armed: plan[p][i] is period i of plan p. */
typedef struct QwAlarmSchedule {
    QwAlarmPeriod plan[QW_PLAN_COUNT][QW_PLAN_PERIODS]; /* 0 */
} QwAlarmSchedule;
QW_RECORD_SIZE(QwAlarmSchedule, 96);
QW_RECORD_AT(QwAlarmSchedule, plan[1][0], 24);
QW_RECORD_AT(QwAlarmSchedule, plan[3][5].end_minute, 95);

/* ---- Network -------------------------------------------------------------- */

typedef struct QwNetdevName {
    char name[64];
} QwNetdevName;
QW_RECORD_SIZE(QwNetdevName, 64);

/* One network device, looked up by its name. */
typedef struct QwNetdevAttr {
    char name[64];        /* 0 */
    uint8_t address[4];   /* 64: IPv4 address */
    uint8_t netmask[4];   /* 68 */
    uint8_t mac[6];       /* 72: hardware address; the recorder identifier uses it */
    uint8_t reserved[34]; /* 78 */
} QwNetdevAttr;
QW_RECORD_SIZE(QwNetdevAttr, 112);
QW_RECORD_AT(QwNetdevAttr, name, 0);
QW_RECORD_AT(QwNetdevAttr, address, 64);
QW_RECORD_AT(QwNetdevAttr, netmask, 68);
QW_RECORD_AT(QwNetdevAttr, mac, 72);

typedef struct QwDnsList {
    uint8_t preferred[4]; /* 0 */
    uint8_t spare[4];     /* 4 */
} QwDnsList;
QW_RECORD_SIZE(QwDnsList, 8);
QW_RECORD_AT(QwDnsList, spare, 4);

enum { QW_ADDRESS_STATIC = 0, QW_ADDRESS_DHCP = 1 };

typedef struct QwDhcpClientAttr {
    char netdev_name[64]; /* 0 */
    int32_t address_type; /* 64: QW_ADDRESS_* */
    uint8_t reserved[36]; /* 68 */
} QwDhcpClientAttr;
QW_RECORD_SIZE(QwDhcpClientAttr, 104);
QW_RECORD_AT(QwDhcpClientAttr, address_type, 64);

typedef struct QwDefaultGateway {
    char netdev_name[64]; /* 0 */
    uint8_t gateway[4];   /* 64: IPv4 address */
    uint8_t reserved[4];  /* 68 */
} QwDefaultGateway;
QW_RECORD_SIZE(QwDefaultGateway, 72);
QW_RECORD_AT(QwDefaultGateway, gateway, 64);

/* PPPoE mode. Off with a static address has its own value: the network page
 * sends QW_PPPOE_OFF_STATIC in place of QW_PPPOE_OFF when the address is
 * static. */
enum { QW_PPPOE_OFF = 0, QW_PPPOE_ON = 1, QW_PPPOE_OFF_STATIC = 2 };

typedef struct QwPppoeAttr {
    int32_t mode;          /* 0: QW_PPPOE_* */
    char user[32];         /* 4 */
    char password[64];     /* 36 */
    uint8_t reserved[100]; /* 100 */
} QwPppoeAttr;
QW_RECORD_SIZE(QwPppoeAttr, 200);
QW_RECORD_AT(QwPppoeAttr, mode, 0);
QW_RECORD_AT(QwPppoeAttr, user, 4);
QW_RECORD_AT(QwPppoeAttr, password, 36);

enum { QW_DDNS_3322 = 0, QW_DDNS_DYNDNS = 1, QW_DDNS_EASTERNDNS = 2 };

typedef struct QwDdnsAttr {
    int32_t enable;        /* 0 */
    int32_t server;        /* 4: QW_DDNS_* */
    char host_name[128];   /* 8 */
    char user[32];         /* 136 */
    char password[64];     /* 168 */
    uint8_t reserved[104]; /* 232 */
} QwDdnsAttr;
QW_RECORD_SIZE(QwDdnsAttr, 336);
QW_RECORD_AT(QwDdnsAttr, server, 4);
QW_RECORD_AT(QwDdnsAttr, host_name, 8);
QW_RECORD_AT(QwDdnsAttr, user, 136);
QW_RECORD_AT(QwDdnsAttr, password, 168);

typedef struct QwIpPreviewVodAttr {
    uint8_t bytes[408];
} QwIpPreviewVodAttr;
QW_RECORD_SIZE(QwIpPreviewVodAttr, 408);

#define QW_EMAIL_RECIPIENTS 4

typedef struct QwEmailAttr {
    int32_t enable;                          /* 0 */
    int32_t ssl;                             /* 4: 1 on */
    uint32_t smtp_port;                      /* 8 */
    int32_t interval;                        /* 12: QW_INTERVAL_* */
    char smtp_server[36];                    /* 16 */
    char sender[128];                        /* 52 */
    char password[64];                       /* 180 */
    char recipient[QW_EMAIL_RECIPIENTS][64]; /* 244 */
    char title[128];                         /* 500 */
    char content[400];                       /* 628 */
    uint8_t reserved[2348];                  /* 1028 */
} QwEmailAttr;
QW_RECORD_SIZE(QwEmailAttr, 3376);
QW_RECORD_AT(QwEmailAttr, ssl, 4);
QW_RECORD_AT(QwEmailAttr, smtp_port, 8);
QW_RECORD_AT(QwEmailAttr, interval, 12);
QW_RECORD_AT(QwEmailAttr, smtp_server, 16);
QW_RECORD_AT(QwEmailAttr, sender, 52);
QW_RECORD_AT(QwEmailAttr, password, 180);
QW_RECORD_AT(QwEmailAttr, recipient, 244);
QW_RECORD_AT(QwEmailAttr, title, 500);
QW_RECORD_AT(QwEmailAttr, content, 628);

/* Mobile network type: a value, shown by range. */
#define QW_MOBILE_NET_2_75G_MIN 50 /* below: 2.5G */
#define QW_MOBILE_NET_WIFI_MIN 80
#define QW_MOBILE_NET_LIMIT 100

typedef struct QwMobileAttr {
    int32_t enable;       /* 0 */
    int32_t network_type; /* 4: see QW_MOBILE_NET_* */
    uint8_t reserved[40]; /* 8 */
} QwMobileAttr;
QW_RECORD_SIZE(QwMobileAttr, 48);
QW_RECORD_AT(QwMobileAttr, network_type, 4);

/* The mobile stream service. */
typedef struct QwMobileOwspAttr {
    uint32_t port;        /* 0 */
    uint8_t reserved[36]; /* 4 */
} QwMobileOwspAttr;
QW_RECORD_SIZE(QwMobileOwspAttr, 40);
QW_RECORD_AT(QwMobileOwspAttr, port, 0);

/* ---- System --------------------------------------------------------------- */

typedef struct QwGuiAttr {
    uint8_t bytes[40];
} QwGuiAttr;
QW_RECORD_SIZE(QwGuiAttr, 40);

enum { QW_TV_PAL = 0, QW_TV_NTSC = 1 }; /* any value but 0 is NTSC */

enum {
    QW_LANG_CHINESE = 0,
    QW_LANG_ENGLISH = 1,
    QW_LANG_RUSSIAN = 2,
    QW_LANG_PORTUGUESE = 3,
    QW_LANG_FARSI = 4,
    QW_LANG_ITALIAN = 5,
    QW_LANG_GERMAN = 6,
    QW_LANG_SPANISH = 7,
    QW_LANG_FRENCH = 8,
    QW_LANG_POLISH = 9,
    QW_LANG_GREEK = 10,
    QW_LANG_HUNGARIAN = 11,
    QW_LANG_DUTCH = 12,
    QW_LANG_SWEDISH = 13,
    QW_LANG_JAPANESE = 14,
    QW_LANG_THAI = 15
};

/* Time zone index: GMT-12:00 .. GMT+13:00 in whole hours; index - 12 is the
 * offset in hours. */
enum { QW_TZ_GMT_MINUS_12 = 0, QW_TZ_GMT = 12, QW_TZ_GMT_PLUS_13 = 25 };

typedef struct QwSystemAttr {
    uint8_t reserved1[4];    /* 0 */
    int32_t tv_standard;     /* 4: QW_TV_* */
    int32_t language;        /* 8: QW_LANG_* */
    int32_t time_zone;       /* 12: QW_TZ_* */
    int32_t password_enable; /* 16 */
    char user_password[16];  /* 20 */
    char super_password[16]; /* 36 */
    uint8_t reserved2[4];    /* 52 */
} QwSystemAttr;
QW_RECORD_SIZE(QwSystemAttr, 56);
QW_RECORD_AT(QwSystemAttr, tv_standard, 4);
QW_RECORD_AT(QwSystemAttr, language, 8);
QW_RECORD_AT(QwSystemAttr, time_zone, 12);
QW_RECORD_AT(QwSystemAttr, password_enable, 16);
QW_RECORD_AT(QwSystemAttr, user_password, 20);
QW_RECORD_AT(QwSystemAttr, super_password, 36);

enum { QW_DST_DEFAULT = 0, QW_DST_CUSTOM = 1 };

/* One end of daylight saving time: week 0..4 (first to fifth), weekday 0..6
 * (0 = Sunday), month 0..11 (0 = January), hour 0..23. */
typedef struct QwDaylightPoint {
    int32_t week;
    int32_t weekday;
    int32_t month;
    int32_t hour;
} QwDaylightPoint;
QW_RECORD_SIZE(QwDaylightPoint, 16);

typedef struct QwDaylightAttr {
    int32_t enable;        /* 0 */
    int32_t mode;          /* 4: QW_DST_* */
    QwDaylightPoint start; /* 8 */
    QwDaylightPoint end;   /* 24 */
    uint8_t reserved[8];   /* 40 */
} QwDaylightAttr;
QW_RECORD_SIZE(QwDaylightAttr, 48);
QW_RECORD_AT(QwDaylightAttr, mode, 4);
QW_RECORD_AT(QwDaylightAttr, start, 8);
QW_RECORD_AT(QwDaylightAttr, end, 24);

typedef struct QwSysMaintainAttr {
    uint8_t bytes[48];
} QwSysMaintainAttr;
QW_RECORD_SIZE(QwSysMaintainAttr, 48);

/* ---- Users ---------------------------------------------------------------- */

#define QW_USER_COUNT 8
#define QW_USER_NAME_SIZE 9     /* 8 characters and the NUL */
#define QW_USER_PASSWORD_SIZE 7 /* 6 characters and the NUL */

/* Local rights, bit 0 up. */
#define QW_LOCAL_PTZ 0x001u
#define QW_LOCAL_MANUAL 0x002u
#define QW_LOCAL_PLAYBACK 0x004u
#define QW_LOCAL_SET_PARAMETER 0x008u
#define QW_LOCAL_AUTO_SEQUENCE 0x010u
#define QW_LOCAL_EZOOM 0x020u
#define QW_LOCAL_MUTE 0x040u
#define QW_LOCAL_PIP 0x080u
#define QW_LOCAL_MAINTENANCE 0x100u /* upgrade, reboot, reset, format */

/* Remote rights, bit 0 up. */
#define QW_REMOTE_PTZ 0x01u
#define QW_REMOTE_RECORD 0x02u /* record and capture */
#define QW_REMOTE_PLAYBACK 0x04u
#define QW_REMOTE_SET_PARAMETER 0x08u
#define QW_REMOTE_MUTE 0x10u

/* An entry with an empty name is free. */
typedef struct QwUserEntry {
    char name[QW_USER_NAME_SIZE];         /* 0 */
    char password[QW_USER_PASSWORD_SIZE]; /* 9 */
    uint32_t local_rights;                /* 16: QW_LOCAL_* */
    uint32_t remote_rights;               /* 20: QW_REMOTE_* */
} QwUserEntry;
QW_RECORD_SIZE(QwUserEntry, 24);
QW_RECORD_AT(QwUserEntry, password, 9);
QW_RECORD_AT(QwUserEntry, local_rights, 16);
QW_RECORD_AT(QwUserEntry, remote_rights, 20);

/* The recorder's users; entry 0 is the administrator and cannot be deleted. */
typedef struct QwUserList {
    QwUserEntry user[QW_USER_COUNT]; /* 0 */
    int32_t password_mode;           /* 192: password-mode choice */
    int32_t controls_enable;         /* 196: 1 enable the user page, 0 disable, else keep */
    uint8_t reserved[8];             /* 200 */
} QwUserList;
QW_RECORD_SIZE(QwUserList, 208);
QW_RECORD_AT(QwUserList, user[1], 24);
QW_RECORD_AT(QwUserList, user[7].remote_rights, 188);
QW_RECORD_AT(QwUserList, password_mode, 192);
QW_RECORD_AT(QwUserList, controls_enable, 196);

/* A new user; zero-fill it before copying the texts in. */
typedef struct QwUserAddRequest {
    char name[QW_USER_NAME_SIZE];         /* 0 */
    char password[QW_USER_PASSWORD_SIZE]; /* 9 */
    uint8_t reserved[712];                /* 16 */
} QwUserAddRequest;
QW_RECORD_SIZE(QwUserAddRequest, 728);
QW_RECORD_AT(QwUserAddRequest, password, 9);

/* The caller's copy of the list, and bit k set for each entry k to delete
 * (bit 0, the administrator, never). */
typedef struct QwUserDelRequest {
    QwUserList list;      /* 0 */
    uint32_t delete_mask; /* 208 */
} QwUserDelRequest;
QW_RECORD_SIZE(QwUserDelRequest, 212);
QW_RECORD_AT(QwUserDelRequest, delete_mask, 208);

typedef struct QwUserPreviewEntry {
    char name[QW_USER_NAME_SIZE];     /* 0 */
    uint8_t channel[QW_MAX_CHANNELS]; /* 9: 1 = may preview the channel */
} QwUserPreviewEntry;
QW_RECORD_SIZE(QwUserPreviewEntry, 25);
QW_RECORD_AT(QwUserPreviewEntry, channel, 9);

typedef struct QwUserPreviewRights {
    uint8_t enable;                         /* 0: 1 = the rights apply */
    QwUserPreviewEntry user[QW_USER_COUNT]; /* 1 */
} QwUserPreviewRights;
QW_RECORD_SIZE(QwUserPreviewRights, 201);
QW_RECORD_AT(QwUserPreviewRights, user, 1);
QW_RECORD_AT(QwUserPreviewRights, user[1].name, 26);
QW_RECORD_AT(QwUserPreviewRights, user[7].channel[15], 200);

typedef struct QwGroupInfo {
    uint8_t bytes[72];
} QwGroupInfo;
QW_RECORD_SIZE(QwGroupInfo, 72);

typedef struct QwAuthority {
    uint8_t bytes[128];
} QwAuthority;
QW_RECORD_SIZE(QwAuthority, 128);

/* ---- Devices: PTZ, disks, identity ---------------------------------------- */

enum { QW_PTZ_PELCO_D = 0, QW_PTZ_PELCO_P = 1 };
enum { QW_BAUD_1200 = 0, QW_BAUD_2400 = 1, QW_BAUD_4800 = 2, QW_BAUD_9600 = 3 };
enum { QW_DATA_BITS_8 = 0, QW_DATA_BITS_7 = 1, QW_DATA_BITS_6 = 2, QW_DATA_BITS_5 = 3 };
enum { QW_STOP_BITS_1 = 0, QW_STOP_BITS_2 = 1 };
enum {
    QW_PARITY_NONE = 0,
    QW_PARITY_ODD = 1,
    QW_PARITY_EVEN = 2,
    QW_PARITY_MARK = 3,
    QW_PARITY_SPACE = 4
};

/* Serial line to one channel's camera; the rest of the record is zero. */
typedef struct QwPtzAttr {
    int32_t channel;   /* 0: 0-based */
    int32_t protocol;  /* 4: QW_PTZ_* */
    uint8_t baud;      /* 8: QW_BAUD_* */
    uint8_t data_bits; /* 9: QW_DATA_BITS_* */
    uint8_t stop_bits; /* 10: QW_STOP_BITS_* */
    uint8_t parity;    /* 11: QW_PARITY_* */
    uint8_t address;   /* 12: 1..255 */
    uint8_t reserved[19];
} QwPtzAttr;
QW_RECORD_SIZE(QwPtzAttr, 32);
QW_RECORD_AT(QwPtzAttr, protocol, 4);
QW_RECORD_AT(QwPtzAttr, baud, 8);
QW_RECORD_AT(QwPtzAttr, data_bits, 9);
QW_RECORD_AT(QwPtzAttr, stop_bits, 10);
QW_RECORD_AT(QwPtzAttr, parity, 11);
QW_RECORD_AT(QwPtzAttr, address, 12);

#define QW_HDD_SLOTS 8
/* Disk state; any other value means no disk in the slot. */
enum { QW_HDD_UNFORMATTED = 1, QW_HDD_NORMAL = 2, QW_HDD_BAD = 3 };

typedef struct QwHddInfo {
    uint8_t reserved1[520];             /* 0 */
    int32_t state[QW_HDD_SLOTS];        /* 520: QW_HDD_* */
    uint64_t total_bytes[QW_HDD_SLOTS]; /* 552 */
    uint64_t free_bytes[QW_HDD_SLOTS];  /* 616 */
    uint8_t reserved2[32];              /* 680 */
} QwHddInfo;
QW_RECORD_SIZE(QwHddInfo, 712);
QW_RECORD_AT(QwHddInfo, state, 520);
QW_RECORD_AT(QwHddInfo, state[7], 548);
QW_RECORD_AT(QwHddInfo, total_bytes, 552);
QW_RECORD_AT(QwHddInfo, total_bytes[7], 608);
QW_RECORD_AT(QwHddInfo, free_bytes, 616);
QW_RECORD_AT(QwHddInfo, free_bytes[7], 672);

typedef struct QwHddAttr {
    uint8_t bytes[56];
} QwHddAttr;
QW_RECORD_SIZE(QwHddAttr, 56);

typedef struct QwUsbDiskInfo {
    uint8_t bytes[232];
} QwUsbDiskInfo;
QW_RECORD_SIZE(QwUsbDiskInfo, 232);

typedef struct QwSdCardInfo {
    uint8_t bytes[32];
} QwSdCardInfo;
QW_RECORD_SIZE(QwSdCardInfo, 32);

/* What the recorder says about itself. The name is also the name of its
 * network device (the key of QwNetdevAttr), so the recorder identifier can be
 * built from this record alone. */
typedef struct QwDeviceInfo {
    char name[64];             /* 0 */
    char serial_number[64];    /* 64 */
    char device_type[32];      /* 128: decimal number, e.g. "38420" */
    uint32_t device_id;        /* 160 */
    char release_date[32];     /* 164 */
    char software_version[64]; /* 196 */
    char app_version[64];      /* 260 */
    uint8_t reserved[148];     /* 324 */
} QwDeviceInfo;
QW_RECORD_SIZE(QwDeviceInfo, 472);
QW_RECORD_AT(QwDeviceInfo, name, 0);
QW_RECORD_AT(QwDeviceInfo, serial_number, 64);
QW_RECORD_AT(QwDeviceInfo, device_type, 128);
QW_RECORD_AT(QwDeviceInfo, device_id, 160);
QW_RECORD_AT(QwDeviceInfo, release_date, 164);
QW_RECORD_AT(QwDeviceInfo, software_version, 196);
QW_RECORD_AT(QwDeviceInfo, app_version, 260);

/* The caller sets channel_count to QW_MAX_CHANNELS before asking. */
typedef struct QwDevCaps {
    int32_t channel_count; /* 0 */
    uint8_t reserved[124]; /* 4 */
} QwDevCaps;
QW_RECORD_SIZE(QwDevCaps, 128);
QW_RECORD_AT(QwDevCaps, channel_count, 0);

typedef struct QwDvrStatus {
    uint8_t bytes[56];
} QwDvrStatus;
QW_RECORD_SIZE(QwDvrStatus, 56);

/* ---- TV tuner ------------------------------------------------------------- */

enum {
    QW_TUNER_BG_PAL_NICAM = 0,
    QW_TUNER_DK_PAL_MONO = 1,
    QW_TUNER_I_PAL_NICAM_MONO = 2,
    QW_TUNER_MN_NTSC_PAL_MTS = 3,
    QW_TUNER_L_SECAM_AM = 4,
    QW_TUNER_L1_SECAM_AM = 5
};

typedef struct QwTvAttr {
    int32_t standard; /* 0: QW_TUNER_* */
    int32_t program;  /* 4: current channel number */
} QwTvAttr;
QW_RECORD_SIZE(QwTvAttr, 8);
QW_RECORD_AT(QwTvAttr, program, 4);

typedef struct QwTvSet {
    int32_t standard; /* 0: QW_TUNER_* */
} QwTvSet;
QW_RECORD_SIZE(QwTvSet, 4);

/* Answer of a program step: the channel now tuned. */
typedef struct QwTvProgram {
    int32_t program; /* 0 */
} QwTvProgram;
QW_RECORD_SIZE(QwTvProgram, 4);

#endif /* KESTREL_RECORDS_H */
