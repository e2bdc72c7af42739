/* Compiled as C: kestrel_records.h must stay plain C. The header's asserts
 * hold sizes and offsets at build time; this program checks that wire images
 * built byte by byte read back through the structs, and that each struct
 * matches the record sizes of the configuration call list. */
#include <stdio.h>
#include <string.h>

#include "kestrel_net.h"
#include "kestrel_records.h"

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        printf("FAIL: %s\n", what);
        ++failures;
    }
}

static void put32(uint8_t* wire, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        wire[at + (size_t)i] = (uint8_t)(value >> (8 * i));
    }
}

static void put64(uint8_t* wire, size_t at, uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        wire[at + (size_t)i] = (uint8_t)(value >> (8 * i));
    }
}

static void video_record(void) {
    uint8_t wire[72] = {0};
    put32(wire, 0, 5);
    put32(wire, 12, 25);
    put32(wire, 20, 1536);
    put32(wire, 24, QW_RES_D1);
    put32(wire, 28, 576);
    put32(wire, 32, 704);
    QwVideoAttr v;
    memcpy(&v, wire, sizeof v);
    check(v.channel == 5 && v.frame_rate == 25 && v.bit_rate == 1536, "video channel/rate");
    check(v.resolution == QW_RES_D1 && v.height == 576 && v.width == 704, "video picture");
}

static void audio_and_identity_records(void) {
    uint8_t audio[56] = {0};
    put32(audio, 8, QW_AUDIO_G711U);
    put32(audio, 12, QW_AUDIO_RATE_8000);
    put32(audio, 16, QW_AUDIO_WIDTH_16);
    QwAudioAttr a;
    memcpy(&a, audio, sizeof a);
    check(a.protocol == 3 && a.sample_rate == 0 && a.sample_width == 1, "audio codes");

    uint8_t caps[128] = {0};
    put32(caps, 0, 8);
    QwDevCaps c;
    memcpy(&c, caps, sizeof c);
    check(c.channel_count == 8, "capabilities channel count");

    uint8_t sys[56] = {0};
    put32(sys, 4, QW_TV_NTSC);
    QwSystemAttr s;
    memcpy(&s, sys, sizeof s);
    check(s.tv_standard == QW_TV_NTSC && s.language == 0, "system TV standard");

    uint8_t net[112] = {0};
    static const uint8_t mac[6] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    memcpy(net + 72, mac, sizeof mac);
    QwNetdevAttr n;
    memcpy(&n, net, sizeof n);
    check(memcmp(n.mac, mac, sizeof mac) == 0, "netdev hardware address");
}

static void disk_record(void) {
    uint8_t wire[712] = {0};
    for (uint32_t d = 0; d < QW_HDD_SLOTS; ++d) {
        put32(wire, 520 + 4 * d, d % 4);
        put64(wire, 552 + 8 * d, ((uint64_t)d << 40) + 1);
        put64(wire, 616 + 8 * d, ((uint64_t)d << 32) + 2);
    }
    QwHddInfo h;
    memcpy(&h, wire, sizeof h);
    for (uint32_t d = 0; d < QW_HDD_SLOTS; ++d) {
        check(h.state[d] == (int32_t)(d % 4), "disk state");
        check(h.total_bytes[d] == ((uint64_t)d << 40) + 1, "disk total size");
        check(h.free_bytes[d] == ((uint64_t)d << 32) + 2, "disk free size");
    }
}

static void schedule_and_ptz_records(void) {
    uint8_t wire[208] = {0};
    wire[2 + 24 * 3 + 17] = QW_RECTYPE_MD_AND_IO;
    wire[2 + 24 * 6 + 23] = QW_RECTYPE_ALARM;
    QwRecordSchedule r;
    memcpy(&r, wire, sizeof r);
    check(r.slot[3][17] == QW_RECTYPE_MD_AND_IO && r.slot[6][23] == QW_RECTYPE_ALARM,
          "record schedule slots");

    uint8_t ptz[32] = {0};
    put32(ptz, 0, 2);
    put32(ptz, 4, QW_PTZ_PELCO_P);
    ptz[8] = QW_BAUD_9600;
    ptz[9] = QW_DATA_BITS_7;
    ptz[10] = QW_STOP_BITS_2;
    ptz[11] = QW_PARITY_ODD;
    ptz[12] = 200;
    QwPtzAttr p;
    memcpy(&p, ptz, sizeof p);
    check(p.channel == 2 && p.protocol == 1 && p.baud == 3 && p.data_bits == 1 &&
              p.stop_bits == 1 && p.parity == 1 && p.address == 200,
          "PTZ serial settings");
}

static void user_records(void) {
    uint8_t wire[212] = {0};
    memcpy(wire + 24 * 5, "guest", 6);
    memcpy(wire + 24 * 5 + 9, "123456", 7);
    put32(wire, 24 * 5 + 16, QW_LOCAL_PTZ | QW_LOCAL_PIP);
    put32(wire, 24 * 5 + 20, QW_REMOTE_MUTE);
    put32(wire, 208, 0x24);
    QwUserDelRequest d;
    memcpy(&d, wire, sizeof d);
    check(strcmp(d.list.user[5].name, "guest") == 0, "user name");
    check(strcmp(d.list.user[5].password, "123456") == 0, "user password");
    check(d.list.user[5].local_rights == 0x81 && d.list.user[5].remote_rights == 0x10,
          "user rights");
    check(d.delete_mask == 0x24, "deletion mask");

    uint8_t prev[201] = {0};
    prev[0] = 1;
    memcpy(prev + 1 + 25 * 7, "viewer", 7);
    prev[1 + 25 * 7 + 9 + 15] = 1;
    QwUserPreviewRights pr;
    memcpy(&pr, prev, sizeof pr);
    check(pr.enable == 1 && strcmp(pr.user[7].name, "viewer") == 0 && pr.user[7].channel[15] == 1,
          "preview rights");
}

/* Every struct against the sizes the call list sends. */
typedef struct CallSizes {
    const char* name;
    int size1;
    int size2;
} CallSizes;

#define AS_SIZES(name, shape, size1, size2, flags) {#name, size1, size2},
static const CallSizes kCalls[] = {QW_SRDK_CONFIG_CALLS(AS_SIZES)};

#define R(name, type1, size2) \
    { #name, (int)sizeof(type1), size2 }
static const CallSizes kRecords[] = {
    R(QW_SRDK_MEDIA_SetStreamEncryptAttr, QwStreamEncryptAttr, 0),
    R(QW_SRDK_MEDIA_SetVideoAttr, QwVideoAttr, 0),
    R(QW_SRDK_MEDIA_SetAudioAttr, QwAudioAttr, 0),
    R(QW_SRDK_MEDIA_SetWaterMarkAttr, QwWaterMarkAttr, 0),
    R(QW_SRDK_MEDIA_GetStreamEncryptAttr, QwStreamEncryptAttr, 0),
    R(QW_SRDK_MEDIA_GetVideoAttr, QwVideoAttr, 0),
    R(QW_SRDK_MEDIA_GetAudioAttr, QwAudioAttr, 0),
    R(QW_SRDK_MEDIA_GetWaterMarkAttr, QwWaterMarkAttr, 0),
    R(QW_SRDK_NET_Network_GetNetdevName, QwNetdevName, 0),
    R(QW_SRDK_MEDIA_SetAVBindAttr, QwAvBindAttr, 0),
    R(QW_SRDK_MEDIA_SetOsd, QwOsdAttr, 0),
    R(QW_SRDK_MEDIA_SetDevDisplayerAttr, QwDisplayerAttr, 0),
    R(QW_SRDK_MEDIA_SetChnDisp, QwChnDispAttr, 0),
    R(QW_SRDK_MEDIA_SetAoAttr, QwAoAttr, 0),
    R(QW_SRDK_RECORDER_SetRecordAttr, QwRecordAttr, 0),
    R(QW_SRDK_RECORDER_SetRecordSchedule, QwRecordSchedule, 0),
    R(QW_SRDK_RECORDER_SetPlaybackAttr, QwPlaybackAttr, 0),
    R(QW_SRDK_ALARM_SetMDAttr, QwMdAttr, 0),
    R(QW_SRDK_NET_SetDdnsAttr, QwDdnsAttr, 0),
    R(QW_SRDK_NET_SetIppreviewVodAttr, QwIpPreviewVodAttr, 0),
    R(QW_SRDK_SYS_USERMNG_ModifyGroupInfo, QwGroupInfo, 0),
    R(QW_SRDK_DEV_SetPtzAttr, QwPtzAttr, 0),
    R(QW_SRDK_MEDIA_GetAVBindAttr, QwAvBindAttr, 0),
    R(QW_SRDK_MEDIA_GetOsd, QwOsdAttr, 0),
    R(QW_SRDK_MEDIA_GetDevDisplayerAttr, QwDisplayerAttr, 0),
    R(QW_SRDK_MEDIA_GetChnDisp, QwChnDispAttr, 0),
    R(QW_SRDK_MEDIA_GetAoAttr, QwAoAttr, 0),
    R(QW_SRDK_RECORDER_GetRecordAttr, QwRecordAttr, 0),
    R(QW_SRDK_RECORDER_GetRecordSchedule, QwRecordSchedule, 0),
    R(QW_SRDK_RECORDER_GetPlaybackAttr, QwPlaybackAttr, 0),
    R(QW_SRDK_ALARM_GetMDAttr, QwMdAttr, 0),
    R(QW_SRDK_NET_GetDdnsAttr, QwDdnsAttr, 0),
    R(QW_SRDK_NET_GetIppreviewVodAttr, QwIpPreviewVodAttr, 0),
    R(QW_SRDK_SYS_USERMNG_GetGroupList, QwGroupInfo, 0),
    R(QW_SRDK_DEV_GetPtzAttr, QwPtzAttr, 0),
    R(QW_SRDK_SYS_USERMNG_GetAuthorityList, QwAuthority, 0),
    R(QW_SRDK_GUI_SetAttr, QwGuiAttr, 0),
    R(QW_SRDK_ALARM_SetAlarmInAttr, QwAlarmInAttr, 0),
    R(QW_SRDK_ALARM_SetAlarmOutAttr, QwAlarmOutAttr, 0),
    R(QW_SRDK_NET_SetWebServerPort, uint16_t, 0),
    R(QW_SRDK_NET_SetMctpServerPort, uint16_t, 0),
    R(QW_SRDK_NET_SetPppoeAttr, QwPppoeAttr, 0),
    R(QW_SRDK_NET_SetEmailAttr, QwEmailAttr, 0),
    R(QW_SRDK_NET_MOBILE_SetAttr, QwMobileAttr, 0),
    R(QW_SRDK_NET_MOBILE_SetOwspAttr, QwMobileOwspAttr, 0),
    R(QW_SRDK_NET_Network_SetDNSList, QwDnsList, 0),
    R(QW_SRDK_NET_Network_DHCP_Client_SetAttr, QwDhcpClientAttr, 0),
    R(QW_SRDK_NET_Network_SetDefaultGateway, QwDefaultGateway, 0),
    R(QW_SRDK_SYS_SetSystemAttr, QwSystemAttr, 0),
    R(QW_SRDK_SYS_SetDaylightAttr, QwDaylightAttr, 0),
    R(QW_SRDK_SYS_SetSysMaintainAttr, QwSysMaintainAttr, 0),
    R(QW_SRDK_SYS_USERMNG_DelGroup, int32_t, 0),
    R(QW_SRDK_DEV_SetHddAttr, QwHddAttr, 0),
    R(QW_SRDK_TV_SetTVAttr, QwTvSet, 0),
    R(QW_SRDK_GUI_GetAttr, QwGuiAttr, 0),
    R(QW_SRDK_ALARM_GetAlarmInAttr, QwAlarmInAttr, 0),
    R(QW_SRDK_ALARM_GetAlarmOutAttr, QwAlarmOutAttr, 0),
    R(QW_SRDK_NET_GetWebServerPort, uint16_t, 0),
    R(QW_SRDK_NET_GetMctpServerPort, uint16_t, 0),
    R(QW_SRDK_NET_GetPppoeAttr, QwPppoeAttr, 0),
    R(QW_SRDK_NET_GetEmailAttr, QwEmailAttr, 0),
    R(QW_SRDK_NET_MOBILE_GetAttr, QwMobileAttr, 0),
    R(QW_SRDK_NET_MOBILE_GetOwspAttr, QwMobileOwspAttr, 0),
    R(QW_SRDK_NET_Network_GetDNSList, QwDnsList, 0),
    R(QW_SRDK_NET_Network_DHCP_Client_GetAttr, QwDhcpClientAttr, 0),
    R(QW_SRDK_NET_Network_GetDefaultGateway, QwDefaultGateway, 0),
    R(QW_SRDK_SYS_GetSystemAttr, QwSystemAttr, 0),
    R(QW_SRDK_SYS_GetDaylightAttr, QwDaylightAttr, 0),
    R(QW_SRDK_SYS_GetSysMaintainAttr, QwSysMaintainAttr, 0),
    R(QW_SRDK_SYS_USERMNG_GetUserList, QwUserList, 0),
    R(QW_SRDK_DEV_GetUsbDiskInfo, QwUsbDiskInfo, 0),
    R(QW_SRDK_DEV_GetHddInfo, QwHddInfo, 0),
    R(QW_SRDK_DEV_GetHddAttr, QwHddAttr, 0),
    R(QW_SRDK_DEV_GetDeviceInfo, QwDeviceInfo, 0),
    R(QW_SRDK_DEV_GetDevCaps, QwDevCaps, 0),
    R(QW_SRDK_DVR_GetStatus, QwDvrStatus, 0),
    R(QW_SRDK_SD_GetDeviceInfo, QwSdCardInfo, 0),
    R(QW_SRDK_TV_GetTVAttr, QwTvAttr, 0),
    R(QW_SRDK_TV_ProgramInc, QwTvProgram, 0),
    R(QW_SRDK_TV_ProgramDec, QwTvProgram, 0),
    R(QW_SRDK_TV_OutPutSwitch, uint8_t, 0),
    R(QW_SRDK_TV_GetTVState, uint8_t, 0),
    R(QW_SRDK_ALARM_SetAlarmInSchedule, int32_t, (int)sizeof(QwAlarmSchedule)),
    R(QW_SRDK_ALARM_SetAlarmOutSchedule, int32_t, (int)sizeof(QwAlarmSchedule)),
    R(QW_SRDK_ALARM_GetAlarmInSchedule, int32_t, (int)sizeof(QwAlarmSchedule)),
    R(QW_SRDK_ALARM_GetAlarmOutSchedule, int32_t, (int)sizeof(QwAlarmSchedule)),
    R(QW_SRDK_NET_Network_SetNetdevAttr, QwNetdevName, (int)sizeof(QwNetdevAttr)),
    R(QW_SRDK_NET_Network_GetNetdevAttr, QwNetdevName, (int)sizeof(QwNetdevAttr)),
    R(QW_SRDK_SYS_USERMNG_AddUser, QwUserAddRequest, (int)sizeof(QwUserList)),
    R(QW_SRDK_SYS_USERMNG_DelUser, QwUserDelRequest, (int)sizeof(QwUserList)),
    R(QW_SRDK_SYS_USERMNG_ModifyUserInfo, QwUserList, (int)sizeof(QwUserList)),
    R(QW_SRDK_SYS_USERMNG_AddGroup, QwGroupInfo, (int)sizeof(int32_t)),
    R(QW_SRDK_SYS_GetUserPrewPri, QwUserPreviewRights, (int)sizeof(QwUserPreviewRights)),
    R(QW_SRDK_SYS_SetUserPrewPri, QwUserPreviewRights, (int)sizeof(QwUserPreviewRights)),
};

static void call_list_sizes(void) {
    const size_t calls = sizeof kCalls / sizeof kCalls[0];
    const size_t records = sizeof kRecords / sizeof kRecords[0];
    size_t with_record = 0;
    for (size_t i = 0; i < calls; ++i) {
        if (kCalls[i].size1 == 0 && kCalls[i].size2 == 0) {
            continue; /* actions carry no record */
        }
        ++with_record;
        const CallSizes* found = NULL;
        for (size_t j = 0; j < records; ++j) {
            if (strcmp(kRecords[j].name, kCalls[i].name) == 0) {
                found = &kRecords[j];
            }
        }
        if (found == NULL) {
            printf("FAIL: no struct for %s\n", kCalls[i].name);
            ++failures;
        } else if (found->size1 != kCalls[i].size1 || found->size2 != kCalls[i].size2) {
            printf("FAIL: %s sends %d/%d bytes, structs are %d/%d\n", kCalls[i].name,
                   kCalls[i].size1, kCalls[i].size2, found->size1, found->size2);
            ++failures;
        }
    }
    check(with_record == records, "one struct entry per call with a record");
}

int main(void) {
    video_record();
    audio_and_identity_records();
    disk_record();
    schedule_and_ptz_records();
    user_records();
    call_list_sizes();
    if (failures != 0) {
        printf("%d failure(s)\n", failures);
        return 1;
    }
    printf("all record layouts hold\n");
    return 0;
}
