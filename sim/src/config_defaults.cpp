// The records a simulated recorder starts with: plausible values of a small
// recorder with the configured channels, video standard, disks, users and
// network device.
#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "config_handlers.h"
#include "config_records.h"
#include "kestrel_net.h"
#include "kestrel_records.h"
#include "sim/model_identity.h"

namespace kestrel::sim {
namespace {

constexpr uint16_t kWebServerPort = 80;
constexpr uint16_t kDefaultMctpPort = 8000;  // what a recorder listens on out of the box
constexpr uint32_t kOwspPort = 15961;
constexpr uint32_t kSmtpPort = 25;
constexpr int32_t kMobileNetworkType = 60;  // 2.75G

static_assert(static_cast<int32_t>(DiskState::kUnformatted) == QW_HDD_UNFORMATTED &&
              static_cast<int32_t>(DiskState::kNormal) == QW_HDD_NORMAL &&
              static_cast<int32_t>(DiskState::kBad) == QW_HDD_BAD);

constexpr const char* kGroupNames[] = {"administrators", "operators"};
constexpr const char* kAuthorityNames[] = {"live view", "playback", "parameters", "maintenance"};

class RecordsBuilder {
public:
    explicit RecordsBuilder(const RecorderConfig& config)
        : config_(config),
          channels_(std::clamp<size_t>(static_cast<size_t>(EffectiveChannelCount(config)), 1,
                                       QW_MAX_CHANNELS)) {}

    template <typename Record>
    void Put(std::string_view key, const Record& record) {
        records_[std::string(key)] = EncodeRecord(record);
    }
    void PutBytes(std::string_view key, Bytes bytes) {
        records_[std::string(key)] = std::move(bytes);
    }
    // One record per channel, made by make(channel).
    template <typename Make>
    void PutPerChannel(std::string_view key, Make make) {
        Bytes& bytes = records_[std::string(key)];
        for (size_t channel = 0; channel < channels_; ++channel) {
            const Bytes record = EncodeRecord(make(static_cast<int32_t>(channel)));
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
    }
    // Records nothing above set: zero bytes, one record (per stream for the
    // per-stream arrays).
    void FillMissing() {
        for (const CallInfo& call : ConfigCalls()) {
            if (FindSpecialHandler(call.name) != nullptr) {
                continue;
            }
            const std::string key = RecordKey(call.name);
            if (call.shape == CallShape::kSelectorArrayGet) {
                for (uint32_t stream = 0; stream < kStreamSelectors; ++stream) {
                    records_.try_emplace(SubKey(key, stream), Bytes(call.size1, 0));
                }
            } else if (call.shape == CallShape::kArrayGet || call.shape == CallShape::kRecordGet) {
                records_.try_emplace(key, Bytes(call.size1, 0));
            }
        }
    }

    const RecorderConfig& Config() const { return config_; }
    size_t Channels() const { return channels_; }
    RecordMap Take() { return std::move(records_); }

private:
    const RecorderConfig& config_;
    const size_t channels_;
    RecordMap records_;
};

struct Picture {
    int32_t resolution;
    int32_t weight;  // its share of the recorder's frame budget, per frame
    int32_t width;
    int32_t height_pal;
    int32_t height_ntsc;
    int32_t bit_rate;  // kbit/s
};
// Largest first: the record stream takes the largest that fits the budget.
constexpr Picture kPictures[] = {
    {QW_RES_D1, 4, 704, 576, 480, 1536},
    {QW_RES_HD1, 2, 704, 288, 240, 1024},
    {QW_RES_CIF, 1, 352, 288, 240, 512},
};
constexpr const Picture& kCif = kPictures[2];

// Frames per second the record stream of all channels may carry together,
// CIF frames counting 1, HD1 2 and D1 4.
int32_t FrameBudget(uint32_t device_type, bool ntsc) {
    int32_t pal = 200;  // the common 4- and 8-channel models, and any other type
    if (device_type == 0x9614 || device_type == 0x9615) {
        pal = 400;
    } else if (device_type == 0x1513) {
        pal = 100;
    }
    return ntsc ? pal * 6 / 5 : pal;
}

QwVideoAttr VideoRecord(int32_t channel, const Picture& picture, int32_t frame_rate, bool ntsc) {
    QwVideoAttr video{};
    video.channel = channel;
    video.frame_rate = frame_rate;
    video.bit_rate = picture.bit_rate;
    video.resolution = picture.resolution;
    video.width = picture.width;
    video.height = ntsc ? picture.height_ntsc : picture.height_pal;
    video.gop = 2 * frame_rate;  // a key frame every two seconds
    return video;
}

// The record stream takes the largest picture all channels can record at
// the full frame rate within the budget, else CIF at the rate that fits; the
// network stream is CIF at the full rate; the mobile stream a small picture
// of its own size at 10 frames per second.
QwVideoAttr VideoDefaults(uint32_t stream, int32_t channel, const RecorderConfig& config,
                          int32_t channels) {
    const bool ntsc = config.tv_standard == TvStandard::kNtsc;
    const int32_t full_rate = ntsc ? 30 : 25;
    switch (stream) {
        case QW_STREAM_RECORD: {
            const int32_t budget = FrameBudget(ReportedDeviceType(config), ntsc);
            for (const Picture& picture : kPictures) {
                if (picture.weight * full_rate * channels <= budget) {
                    return VideoRecord(channel, picture, full_rate, ntsc);
                }
            }
            return VideoRecord(channel, kCif, std::max(budget / channels, 1), ntsc);
        }
        case QW_STREAM_NETWORK:
            return VideoRecord(channel, kCif, full_rate, ntsc);
        default: {
            QwVideoAttr video{};
            video.channel = channel;
            video.frame_rate = 10;
            video.bit_rate = 128;
            video.resolution = QW_RES_USER_DEFINED;
            video.width = 176;
            video.height = ntsc ? 120 : 144;
            video.gop = 20;
            return video;
        }
    }
}

void PutMedia(RecordsBuilder& b) {
    for (uint32_t stream = 0; stream < kStreamSelectors; ++stream) {
        b.PutPerChannel(SubKey("QW_SRDK_MEDIA_GetVideoAttr", stream), [&](int32_t channel) {
            return VideoDefaults(stream, channel, b.Config(), static_cast<int32_t>(b.Channels()));
        });
        b.PutPerChannel(SubKey("QW_SRDK_MEDIA_GetAudioAttr", stream), [](int32_t channel) {
            QwAudioAttr audio{};
            audio.channel = channel;
            audio.protocol = QW_AUDIO_G711U;
            audio.sample_rate = QW_AUDIO_RATE_8000;
            audio.sample_width = QW_AUDIO_WIDTH_16;
            return audio;
        });
        b.PutPerChannel(SubKey("QW_SRDK_MEDIA_GetStreamEncryptAttr", stream),
                        [](int32_t) { return QwStreamEncryptAttr{}; });
        b.PutPerChannel(SubKey("QW_SRDK_MEDIA_GetWaterMarkAttr", stream),
                        [](int32_t) { return QwWaterMarkAttr{}; });
    }
    b.PutPerChannel("QW_SRDK_MEDIA_GetAVBindAttr", [](int32_t channel) {
        QwAvBindAttr bind{};
        bind.audio_channel = channel;
        bind.video_channel = channel;
        return bind;
    });
    b.PutPerChannel("QW_SRDK_MEDIA_GetOsd", [](int32_t) { return QwOsdAttr{}; });
    b.PutPerChannel("QW_SRDK_MEDIA_GetChnDisp", [](int32_t) { return QwChnDispAttr{}; });
}

void PutRecording(RecordsBuilder& b) {
    b.PutPerChannel("QW_SRDK_RECORDER_GetRecordAttr", [](int32_t channel) {
        QwRecordAttr record{};
        record.channel = channel;
        record.enable = 1;
        record.mode = QW_RECORD_MODE_POWER_UP;
        record.pack_unit = QW_PACK_30_MIN;
        return record;
    });
    b.PutPerChannel("QW_SRDK_RECORDER_GetRecordSchedule", [](int32_t channel) {
        QwRecordSchedule schedule{};
        schedule.channel = static_cast<uint16_t>(channel);
        for (auto& day : schedule.slot) {
            std::fill(std::begin(day), std::end(day), uint8_t{QW_RECTYPE_NORMAL});
        }
        return schedule;
    });
    b.PutPerChannel("QW_SRDK_ALARM_GetMDAttr", [](int32_t channel) {
        QwMdAttr motion{};
        motion.channel = channel;
        motion.sensitivity = 3;
        motion.trigger_percent = 20;
        motion.action.record = 1;
        motion.action.record_delay = QW_DELAY_30_S;
        return motion;
    });
    // Armed all day, recording and snapping in working hours.
    QwAlarmSchedule schedule{};
    schedule.plan[QW_PLAN_ENABLE][0] = QwAlarmPeriod{0, 0, 23, 59};
    schedule.plan[QW_PLAN_OUTPUT][0] = QwAlarmPeriod{0, 0, 23, 59};
    schedule.plan[QW_PLAN_RECORD][0] = QwAlarmPeriod{8, 0, 12, 0};
    schedule.plan[QW_PLAN_RECORD][1] = QwAlarmPeriod{13, 30, 18, 0};
    schedule.plan[QW_PLAN_SNAP][0] = QwAlarmPeriod{8, 0, 18, 0};
    for (const char* key :
         {"QW_SRDK_ALARM_GetAlarmInSchedule", "QW_SRDK_ALARM_GetAlarmOutSchedule"}) {
        for (size_t channel = 0; channel < b.Channels(); ++channel) {
            b.Put(SubKey(key, static_cast<uint32_t>(channel)), schedule);
        }
    }
    QwAlarmInAttr alarm_in{};
    alarm_in.device_event[QW_DEV_EVENT_NO_DISK].enable = 1;
    alarm_in.device_event[QW_DEV_EVENT_NO_DISK].buzzer = 1;
    alarm_in.device_event[QW_DEV_EVENT_DISK_FULL].enable = 1;
    alarm_in.device_event[QW_DEV_EVENT_DISK_FULL].email = 1;
    b.Put("QW_SRDK_ALARM_GetAlarmInAttr", alarm_in);
}

std::array<uint8_t, 4> DottedBytes(const std::string& dotted) {
    std::array<uint8_t, 4> bytes{};
    size_t part = 0;
    for (const char c : dotted) {
        if (c == '.') {
            ++part;
        } else if (part < bytes.size() && c >= '0' && c <= '9') {
            bytes[part] = static_cast<uint8_t>(bytes[part] * 10 + (c - '0'));
        }
    }
    return bytes;
}

void PutNetwork(RecordsBuilder& b) {
    const RecorderConfig& config = b.Config();
    const std::array<uint8_t, 4> address = DottedBytes(config.bind_address);
    const std::array<uint8_t, 4> loopback{127, 0, 0, 1};

    QwNetdevAttr netdev{};
    PutFieldText(netdev.name, sizeof netdev.name, config.netdev_name);
    std::copy(address.begin(), address.end(), netdev.address);
    const uint8_t netmask[4] = {255, 0, 0, 0};
    std::copy(std::begin(netmask), std::end(netmask), netdev.netmask);
    std::copy(config.hardware_address.begin(), config.hardware_address.end(), netdev.mac);
    b.Put(SubKey(kNetdevAttrKey, config.netdev_name), netdev);

    QwDnsList dns{};
    std::copy(loopback.begin(), loopback.end(), dns.preferred);
    b.Put("QW_SRDK_NET_Network_GetDNSList", dns);
    QwDhcpClientAttr dhcp{};
    PutFieldText(dhcp.netdev_name, sizeof dhcp.netdev_name, config.netdev_name);
    dhcp.address_type = QW_ADDRESS_STATIC;
    b.Put("QW_SRDK_NET_Network_DHCP_Client_GetAttr", dhcp);
    QwDefaultGateway gateway{};
    PutFieldText(gateway.netdev_name, sizeof gateway.netdev_name, config.netdev_name);
    std::copy(loopback.begin(), loopback.end(), gateway.gateway);
    b.Put("QW_SRDK_NET_Network_GetDefaultGateway", gateway);

    b.Put("QW_SRDK_NET_GetWebServerPort", kWebServerPort);
    b.Put("QW_SRDK_NET_GetMctpServerPort",
          config.mctp_port != 0 ? config.mctp_port : kDefaultMctpPort);
    QwPppoeAttr pppoe{};
    pppoe.mode = QW_PPPOE_OFF_STATIC;
    b.Put("QW_SRDK_NET_GetPppoeAttr", pppoe);
    QwEmailAttr email{};
    email.smtp_port = kSmtpPort;
    email.interval = QW_INTERVAL_30_S;
    b.Put("QW_SRDK_NET_GetEmailAttr", email);
    QwMobileAttr mobile{};
    mobile.enable = 1;
    mobile.network_type = kMobileNetworkType;
    b.Put("QW_SRDK_NET_MOBILE_GetAttr", mobile);
    QwMobileOwspAttr owsp{};
    owsp.port = kOwspPort;
    b.Put("QW_SRDK_NET_MOBILE_GetOwspAttr", owsp);
}

// Opaque records, one per name, each starting with its name.
template <typename Record, size_t N>
Bytes NamedRecords(const char* const (&names)[N]) {
    Bytes records;
    for (const char* name : names) {
        Record record{};
        std::copy_n(name, std::min(std::char_traits<char>::length(name), sizeof record.bytes - 1),
                    record.bytes);
        const Bytes bytes = EncodeRecord(record);
        records.insert(records.end(), bytes.begin(), bytes.end());
    }
    return records;
}

// The configured logins that fit the recorder's short fields, administrators
// first (entry 0 is the one that cannot be deleted).
void PutUsers(RecordsBuilder& b) {
    std::vector<const UserAccount*> accounts;
    for (const UserAccount& user : b.Config().users) {
        if (user.name.size() < QW_USER_NAME_SIZE && user.password.size() < QW_USER_PASSWORD_SIZE) {
            accounts.push_back(&user);
        }
    }
    std::stable_partition(accounts.begin(), accounts.end(),
                          [](const UserAccount* user) { return user->level >= 10; });
    accounts.resize(std::min<size_t>(accounts.size(), QW_USER_COUNT));

    QwUserList list{};
    list.controls_enable = 1;
    QwUserPreviewRights preview{};
    preview.enable = 1;
    for (size_t i = 0; i < accounts.size(); ++i) {
        QwUserEntry& entry = list.user[i];
        PutFieldText(entry.name, sizeof entry.name, accounts[i]->name);
        PutFieldText(entry.password, sizeof entry.password, accounts[i]->password);
        entry.local_rights = accounts[i]->rights_a & 0x1FFu;
        entry.remote_rights = accounts[i]->rights_b & 0x1Fu;
        PutFieldText(preview.user[i].name, sizeof preview.user[i].name, accounts[i]->name);
        std::fill_n(preview.user[i].channel, std::min<size_t>(b.Channels(), QW_MAX_CHANNELS), 1);
    }
    b.Put(kUserListKey, list);
    b.Put(kPreviewKey, preview);

    b.PutBytes(kGroupListKey, NamedRecords<QwGroupInfo>(kGroupNames));
    b.PutBytes("QW_SRDK_SYS_USERMNG_GetAuthorityList", NamedRecords<QwAuthority>(kAuthorityNames));
}

void PutDevice(RecordsBuilder& b) {
    const RecorderConfig& config = b.Config();
    const ModelIdentity* identity = FindModelIdentity(config.family, config.model);

    QwDeviceInfo info{};
    PutFieldText(info.name, sizeof info.name, config.netdev_name);
    PutFieldText(info.serial_number, sizeof info.serial_number,
                 std::string(identity != nullptr ? identity->model_code : "KSR") + "-000001");
    // The recorder reports its model number as a decimal device-type text.
    PutFieldText(info.device_type, sizeof info.device_type,
                 std::to_string(ReportedDeviceType(config)));
    info.device_id = 1;
    PutFieldText(info.release_date, sizeof info.release_date, "2026-03-18");
    PutFieldText(info.software_version, sizeof info.software_version, "V3.2.7 build 260318");
    PutFieldText(info.app_version, sizeof info.app_version, "1.1.1.3");
    b.Put("QW_SRDK_DEV_GetDeviceInfo", info);

    QwDevCaps caps{};
    caps.channel_count = static_cast<int32_t>(b.Channels());
    b.Put("QW_SRDK_DEV_GetDevCaps", caps);

    QwHddInfo disks{};
    for (size_t i = 0; i < std::min<size_t>(config.disks.size(), QW_HDD_SLOTS); ++i) {
        const DiskSlot& disk = config.disks[i];
        disks.state[i] = static_cast<int32_t>(disk.state);
        if (disk.state != DiskState::kNoDisk) {
            disks.total_bytes[i] = disk.total_bytes;
            disks.free_bytes[i] = disk.free_bytes;
        }
    }
    b.Put("QW_SRDK_DEV_GetHddInfo", disks);

    b.PutPerChannel("QW_SRDK_DEV_GetPtzAttr", [](int32_t channel) {
        QwPtzAttr ptz{};
        ptz.channel = channel;
        ptz.protocol = QW_PTZ_PELCO_D;
        ptz.baud = QW_BAUD_9600;
        ptz.data_bits = QW_DATA_BITS_8;
        ptz.stop_bits = QW_STOP_BITS_1;
        ptz.parity = QW_PARITY_NONE;
        ptz.address = static_cast<uint8_t>(channel + 1);
        return ptz;
    });

    QwSystemAttr system{};
    const bool ntsc = config.tv_standard == TvStandard::kNtsc;
    system.tv_standard = ntsc ? QW_TV_NTSC : QW_TV_PAL;
    system.language = QW_LANG_ENGLISH;
    system.time_zone = QW_TZ_GMT;
    b.Put("QW_SRDK_SYS_GetSystemAttr", system);
    QwDaylightAttr daylight{};
    daylight.mode = QW_DST_DEFAULT;
    daylight.start = QwDaylightPoint{4, 0, 2, 2};  // last Sunday of March, 02:00
    daylight.end = QwDaylightPoint{4, 0, 9, 3};    // last Sunday of October, 03:00
    b.Put("QW_SRDK_SYS_GetDaylightAttr", daylight);

    QwTvAttr tv{};
    tv.standard = ntsc ? QW_TUNER_MN_NTSC_PAL_MTS : QW_TUNER_BG_PAL_NICAM;
    tv.program = 1;
    b.Put(kTvAttrKey, tv);
    b.Put(kTvStateKey, uint8_t{0});
}

}  // namespace

RecordMap DefaultRecords(const RecorderConfig& config) {
    RecordsBuilder builder(config);
    PutMedia(builder);
    PutRecording(builder);
    PutNetwork(builder);
    PutUsers(builder);
    PutDevice(builder);
    builder.FillMissing();
    return builder.Take();
}

}  // namespace kestrel::sim
