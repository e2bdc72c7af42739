// Exports that work on a device handle: each checks its arguments here, in
// one place, and hands the call to the device object.
#include <cstring>
#include <memory>
#include <string>

#include "device_open.h"
#include "export_guard.h"
#include "host_address.h"
#include "kestrel_records.h"
#include "platform/socket.h"

using namespace kestrel::net;

namespace {

constexpr size_t kMaxLoginText = 32;
constexpr int32_t kDefaultMctpPort = 8000;
constexpr int32_t kMaxStreamVolume = 65535;
constexpr size_t kMaxDownloadName = 127;
constexpr int32_t kRecorderIdBytes = 9;  // "DVR" and the 6-byte hardware address

bool LoginTextFits(const char* text) {
    return text == nullptr || std::strlen(text) <= kMaxLoginText;
}

bool MonthArgumentValid(int32_t month) {
    return (month & 0xFF) < 100;
}

void SetOut(int32_t* out, int32_t value) {
    if (out != nullptr) {
        *out = value;
    }
}
}  // namespace

extern "C" {

QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_DVR_NET_Open_Device(const char* host, int32_t command_port,
                                                          const char* user, const char* password,
                                                          int32_t* out_type, int32_t* out_subtype,
                                                          int32_t* out_result,
                                                          UserRights* out_rights, void* reserved) {
    return QW_DVR_NET_Open_Device_Ex(host, command_port, kDefaultMctpPort, user, password, out_type,
                                     out_subtype, out_result, out_rights, reserved);
}

QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_DVR_NET_Open_Device_Ex(
    const char* host, int32_t command_port, int32_t mctp_port, const char* user,
    const char* password, int32_t* out_type, int32_t* out_subtype, int32_t* out_result,
    UserRights* out_rights, void* /*reserved*/) {
    try {
        OpenRequest request;
        request.host = host;
        request.command_port = command_port;
        request.mctp_port = mctp_port;
        request.user = user;
        request.password = password;
        OpenOutputs outputs;
        outputs.type = out_type;
        outputs.subtype = out_subtype;
        outputs.result = out_result;
        outputs.rights = out_rights;
        return OpenDevice(request, outputs);
    } catch (...) {
        SetOut(out_result, QW_NET_ERR_NO_MEMORY);
        return nullptr;
    }
}

QW_NET_EXPORT QW_DVR_HANDLE QW_API QW_SRDK_Open_Device(const char* host, int32_t mctp_port,
                                                       const char* user, const char* password,
                                                       void* /*reserved*/) {
    try {
        if (host == nullptr || !platform::IsDottedIPv4(host) || mctp_port <= 0) {
            return nullptr;
        }
        auto device = std::make_unique<DvrDevice>();
        device->SetMctpSettings(host, mctp_port, user, password);
        return RegisterDevice(std::move(device));
    } catch (...) {
        return nullptr;
    }
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_Close_Device(QW_DVR_HANDLE device) {
    return Guarded([&] {
        std::unique_ptr<DvrDevice> owned = UnregisterDevice(device);
        return owned ? QW_NET_OK : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_SRDK_Close_Device(QW_DVR_HANDLE device) {
    return QW_DVR_NET_Close_Device(device);
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CheckAdminPwd(QW_DVR_HANDLE device, const char* user,
                                                      const char* password, void* /*reserved*/,
                                                      UserRights* out_rights) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (!LoginTextFits(user) || !LoginTextFits(password)) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.CheckLogin(user, password, out_rights);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetRealDataCallBack(QW_DVR_HANDLE device, int32_t channel,
                                                            void* user, RealDataCallback callback) {
    return WithDevice(device, [&](DvrDevice& d) {
        return ValidChannel(channel) ? d.SetRealDataCallBack(channel, user, callback)
                                     : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StartRealAV(QW_DVR_HANDLE device, int32_t /*reserved1*/,
                                                    int32_t channel, int32_t /*reserved2*/,
                                                    int32_t /*reserved3*/, int32_t link_mode,
                                                    int32_t stream_number, const char* user,
                                                    const char* password) {
    return WithDevice(device, [&](DvrDevice& d) {
        return ValidChannel(channel)
                   ? d.StartRealAV(channel, link_mode, stream_number, user, password)
                   : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StopRealAV(QW_DVR_HANDLE device, int32_t channel) {
    return WithDevice(device, [&](DvrDevice& d) {
        return ValidChannel(channel) ? d.StopRealAV(channel) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_OpenStreamSound(QW_DVR_HANDLE device, int32_t channel) {
    return WithDevice(device, [&](DvrDevice& d) {
        return ValidChannel(channel) ? d.OpenStreamSound(channel) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CloseStreamSound(QW_DVR_HANDLE device, int32_t channel) {
    return WithDevice(device, [&](DvrDevice& d) {
        return ValidChannel(channel) ? d.CloseStreamSound(channel) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetStreamVolume(QW_DVR_HANDLE device, int32_t channel,
                                                        int32_t volume) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (!ValidChannel(channel) || volume < 0 || volume > kMaxStreamVolume) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.SetStreamVolume(channel, volume);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_OpenTalk(QW_DVR_HANDLE device, const void* /*reserved*/,
                                                 TalkDataCallback callback, void* user) {
    return WithDevice(device, [&](DvrDevice& d) { return d.OpenTalk(callback, user); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_CloseTalk(QW_DVR_HANDLE device, const void* notify) {
    return WithDevice(device, [&](DvrDevice& d) { return d.CloseTalk(notify != nullptr); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SendTalkQst(QW_DVR_HANDLE device) {
    return WithDevice(device, [&](DvrDevice& d) { return d.SendTalkRequest(); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SendAudioData(QW_DVR_HANDLE device, const void* data,
                                                      int32_t length, int32_t /*reserved1*/,
                                                      int32_t /*reserved2*/) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (data == nullptr || length < 0) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.SendAudioData(data, length);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SearchAVFileList(
    QW_DVR_HANDLE device, int32_t channel, const struct tm* start, const struct tm* end,
    int32_t /*reserved1*/, int32_t /*reserved2*/, int32_t file_type, FileList* out_list) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (start == nullptr || end == nullptr || out_list == nullptr) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.SearchAVFileList(channel, *start, *end, file_type, out_list);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetVideoFileCalendar(QW_DVR_HANDLE device, int32_t month,
                                                             int32_t second_argument,
                                                             void* /*reserved*/,
                                                             uint32_t* out_day_mask) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (!MonthArgumentValid(month) || out_day_mask == nullptr) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        // Only the low 24 bits of the second argument are kept.
        return d.GetVideoFileCalendar(month, second_argument & 0xFFFFFF, out_day_mask);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetLogCalendar(QW_DVR_HANDLE device, int32_t month,
                                                       int32_t second_argument, const char* text) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (!NonEmpty(text) || !MonthArgumentValid(month)) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.GetLogCalendar(month, second_argument, text);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetFileDataCallBackVMS(QW_DVR_HANDLE device, void* user,
                                                               FileDataCallback callback) {
    return WithDevice(device, [&](DvrDevice& d) { return d.SetFileDataCallBack(user, callback); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_VodDownloadClipVMS(QW_DVR_HANDLE device,
                                                           const char* file_name, int32_t mode,
                                                           int32_t first_value,
                                                           int32_t second_value,
                                                           int32_t third_value) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (!NonEmpty(file_name) || std::strlen(file_name) > kMaxDownloadName || mode < 0 ||
            mode > 3 || first_value < 0 || third_value < 0) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.StartClipDownload(file_name, mode, first_value, second_value, third_value);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_StopDownLoadVideoFile(QW_DVR_HANDLE device) {
    return WithDevice(device, [&](DvrDevice& d) { return d.StopDownload(); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_PZTAction(QW_DVR_HANDLE device, const PtzAction* action,
                                                  int32_t parameter, int32_t /*reserved*/) {
    return WithDevice(device, [&](DvrDevice& d) {
        return action != nullptr ? d.PanTiltZoom(*action, parameter) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_ShutDownMachine(QW_DVR_HANDLE device, int32_t mode) {
    return WithDevice(device, [&](DvrDevice& d) { return d.ShutDown(mode); });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetNotifyTarget(QW_DVR_HANDLE device, void* window,
                                                        uint32_t message,
                                                        DeviceNotifyCallback callback, void* user) {
    return WithDevice(device, [&](DvrDevice& d) {
        d.SetNotifyTarget(window, message, callback, user);
        return QW_NET_OK;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_FormatHdd(QW_DVR_HANDLE device, const FormatDisk* disk) {
    return WithDevice(device, [&](DvrDevice& d) {
        return disk != nullptr ? d.FormatHdd(*disk) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_UpdateFiletoDvr(QW_DVR_HANDLE device,
                                                        const char* file_path) {
    return WithDevice(device, [&](DvrDevice& d) {
        return NonEmpty(file_path) ? d.UploadFirmware(file_path) : QW_NET_ERR_FILE_OPEN;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_SetAllConfigParaEx(QW_DVR_HANDLE device,
                                                           ConfigBlock* block) {
    return WithDevice(device, [&](DvrDevice& d) {
        if (block == nullptr || block->data == nullptr || block->size < 0) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        return d.SetAllConfig(block);
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetAllConfigParaEx(QW_DVR_HANDLE device,
                                                           ConfigBlock* block) {
    return WithDevice(device, [&](DvrDevice& d) {
        return block != nullptr ? d.GetAllConfig(block) : QW_NET_ERR_BAD_ARGUMENT;
    });
}

QW_NET_EXPORT int32_t QW_API QW_DVR_NET_GetDvrUID(QW_DVR_HANDLE device, unsigned char* out_id,
                                                  int32_t* length) {
    return WithDevice(device, [&](DvrDevice&) {
        if (out_id == nullptr || length == nullptr || *length < kRecorderIdBytes) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        QwDeviceInfo info{};
        int32_t rc = QW_SRDK_DEV_GetDeviceInfo(device, &info);
        if (rc != 0) {
            return rc;
        }
        // The device information starts with the network device's name.
        QwNetdevName name{};
        std::memcpy(name.name, info.name, sizeof name.name - 1);
        QwNetdevAttr attributes{};
        rc = QW_SRDK_NET_Network_GetNetdevAttr(device, &name, &attributes);
        if (rc != 0) {
            return rc;
        }
        std::memset(out_id, 0, static_cast<size_t>(*length));
        std::memcpy(out_id, "DVR", 3);
        std::memcpy(out_id + 3, attributes.mac, sizeof attributes.mac);
        *length = kRecorderIdBytes;
        return QW_NET_OK;
    });
}

}  // extern "C"
