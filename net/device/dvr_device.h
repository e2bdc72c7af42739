// The device object behind a device handle: one class for every supported
// recorder type. Operations a recorder kind does not offer keep the
// not-supported body (QW_NET_ERR_NOT_SUPPORTED). The virtual slots keep the
// order of the recorder-class interface that the command protocol was built
// around, so a recorder kind can replace exactly the slots it needs.
//
// Threading: exports may call into one device from several threads. Live
// stream start/stop of a channel is serialised by that channel's lock; the
// configuration calls of one device must come from one thread at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config_call.h"
#include "device_workers.h"
#include "dvr_connection.h"
#include "kestrel_net.h"
#include "live_channel.h"
#include "qw_vscp_mctp_client.h"
#include "recorded_files.h"
#include "talk_link.h"

namespace kestrel::net {

constexpr int kChannelSlots = 17;  // channel numbers 0..16
constexpr size_t kCredentialBytes = 128;

struct ChannelSlot {
    // Serialises start and stop of this channel; held while a stop waits for
    // the receiver, so it is never taken from inside a callback.
    std::mutex lock;
    // Guards the registered pair and the live pointer; held only briefly, so
    // a callback may re-register its channel's pair without a deadlock.
    std::mutex pair_lock;
    std::shared_ptr<LiveChannel> live;    // while started (also after a loss)
    RealDataCallback callback = nullptr;  // copied into each new live link
    void* user = nullptr;
    // Stream record: identifier as the recorder sent it, and whether it runs.
    std::array<uint8_t, 8> stream_id{};  // guarded by pair_lock
    std::atomic<bool> active{false};
};

class DvrDevice {
public:
    DvrDevice();
    // Slot order: destroy first.
    virtual ~DvrDevice();
    virtual int32_t ReservedSlot1();
    virtual void Trace(const char* text);
    virtual int32_t Connect(const std::string& host, int command_port);
    virtual int32_t OnDisconnect();
    virtual int32_t ReservedSlot2();
    virtual int32_t StartRealAV(int32_t channel, int32_t link_mode, int32_t stream_number,
                                const char* user, const char* password);
    virtual int32_t SetRealDataCallBack(int32_t channel, void* user, RealDataCallback callback);
    virtual int32_t StopRealAV(int32_t channel);
    virtual int32_t OpenStreamSound(int32_t channel);
    virtual int32_t CloseStreamSound(int32_t channel);
    virtual int32_t SetStreamVolume(int32_t channel, int32_t volume);
    virtual int32_t OpenTalk(TalkDataCallback callback, void* user);
    virtual int32_t CloseTalk(bool notify);
    virtual int32_t SendAudioData(const void* data, int32_t length);
    virtual int32_t TalkReceiveLoop();
    virtual int32_t SendTalkRequest();
    virtual int32_t SearchAVFileList(int32_t channel, const std::tm& start, const std::tm& end,
                                     int32_t file_type, FileList* out_list);
    virtual int32_t StopDownload();
    virtual int32_t FormatHdd(const FormatDisk& disk);
    virtual int32_t UploadFirmware(const char* file_path);
    virtual int32_t PanTiltZoom(const ::PtzAction& action, int32_t parameter);
    virtual int32_t SetAllConfig(ConfigBlock* block);
    virtual int32_t GetAllConfig(ConfigBlock* block);
    virtual int32_t ShutDown(int32_t mode);
    virtual int32_t SetFileDataCallBack(void* user, FileDataCallback callback);
    virtual int32_t StartClipDownload(const char* file_name, int32_t mode, int32_t first_value,
                                      int32_t second_value, int32_t third_value);
    virtual int32_t GetVideoFileCalendar(int32_t month, int32_t second_argument,
                                         uint32_t* out_day_mask);
    virtual int32_t GetLogCalendar(int32_t month, int32_t second_argument, const char* text);
    virtual int32_t CheckLogin(const char* user, const char* password, UserRights* out_rights);
    virtual void CloseCommandLink();
    virtual void CloseCommandSocket();
    virtual void ReleaseCommandLink();

    DvrDevice(const DvrDevice&) = delete;
    DvrDevice& operator=(const DvrDevice&) = delete;

    void SetNotifyTarget(void* window, uint32_t message, DeviceNotifyCallback callback,
                         void* user) {
        notify_->Set(window, message, callback, user);
    }

    // One configuration call over MCTP; the arguments are already checked.
    int32_t ConfigCall(const ConfigCallInfo& info, const ConfigArgs& args);

    // MCTP settings copied at open (the configuration calls use them).
    void SetMctpSettings(const std::string& host, int mctp_port, const char* user,
                         const char* password);
    const std::string& Host() const { return host_; }
    int CommandPort() const { return command_port_; }
    int MctpPort() const { return mctp_port_; }
    void SetTypes(int32_t type, int32_t subtype) { command_link_.SetTypes(type, subtype); }
    int32_t Type() const { return command_link_.Type(); }

protected:
    int32_t StreamSound(int32_t channel, uint32_t open_or_close);
    // A fresh link to the command port for one command.
    DvrConnection FreshLink() const;
    void StopAllChannels();
    void StopChannel(ChannelSlot& slot, bool* was_started);

    DvrConnection command_link_;         // holds host, command port, type codes
    MctpClient mctp_;                    // opened with the MCTP settings
    std::vector<uint8_t> whole_config_;  // the last whole configuration read
    FileSearch search_;
    FileDownload download_;
    TalkLink talk_;
    std::shared_ptr<NotifyTarget> notify_ = std::make_shared<NotifyTarget>();
    DeviceWorkers workers_{notify_};
    std::string host_;
    int command_port_ = 0;
    int mctp_port_ = 0;
    std::array<char, kCredentialBytes> mctp_user_{};
    std::array<char, kCredentialBytes> mctp_password_{};
    std::array<ChannelSlot, kChannelSlots> channels_;
};

// Identity of a handle as the library hands it out.
inline QW_DVR_HANDLE ToHandle(DvrDevice* device) {
    return reinterpret_cast<QW_DVR_HANDLE>(device);
}

}  // namespace kestrel::net
