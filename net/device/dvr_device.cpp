#include "dvr_device.h"

#include <cstring>

namespace kestrel::net {

namespace {

void CopyCredential(std::array<char, kCredentialBytes>* field, const char* text) {
    field->fill(0);
    if (text != nullptr) {
        // The last byte stays NUL, so an overlong text is cut, never unterminated.
        std::strncpy(field->data(), text, field->size() - 1);
    }
}

}  // namespace

constexpr uint32_t kLoginRequestLength = 84;
constexpr uint32_t kStreamSoundRequestLength = 84;
constexpr size_t kLoginFieldBytes = 32;
constexpr size_t kLoginAnswerBytes = 16;
constexpr int32_t kFullRightsLevel = 10;
constexpr int32_t kAllRightsA = 511;
constexpr int32_t kAllRightsB = 31;
constexpr uint32_t kSoundOpen = 0;
constexpr uint32_t kSoundClose = 1;
constexpr uint32_t kWriteConfigRequestLength = 44;
// Far above any recorder's whole configuration; a larger size is hostile.
constexpr uint32_t kMaxWholeConfigBytes = 16u << 20;

DvrDevice::DvrDevice() = default;

DvrDevice::~DvrDevice() {
    mctp_.Close();
    StopAllChannels();
    command_link_.Close();
}

DvrConnection DvrDevice::FreshLink() const {
    DvrConnection link;
    link.SetHost(command_link_.Host(), command_link_.Port());
    link.SetTypes(command_link_.Type(), command_link_.Subtype());
    return link;
}

void DvrDevice::StopAllChannels() {
    for (ChannelSlot& slot : channels_) {
        std::lock_guard<std::mutex> guard(slot.lock);
        slot.active = false;
        slot.live.reset();
    }
}

int32_t DvrDevice::ReservedSlot1() {
    return QW_NET_ERR_NOT_SUPPORTED;
}
void DvrDevice::Trace(const char* /*text*/) {}

int32_t DvrDevice::Connect(const std::string& host, int command_port) {
    host_ = host;
    command_port_ = command_port;
    command_link_.SetHost(host, command_port);
    return QW_NET_OK;
}

int32_t DvrDevice::OnDisconnect() {
    return QW_NET_OK;
}
int32_t DvrDevice::ReservedSlot2() {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::StartRealAV(int32_t channel, int32_t link_mode, int32_t stream_number,
                               const char* user, const char* password) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    std::lock_guard<std::mutex> guard(slot.lock);
    if (slot.live) {
        return QW_NET_ERR_STREAM_RUNNING;
    }
    // Checked before connecting: a text that cannot fit its field with a
    // NUL is refused without traffic.
    if ((user != nullptr && std::strlen(user) >= kLoginFieldBytes) ||
        (password != nullptr && std::strlen(password) >= kLoginFieldBytes)) {
        return QW_NET_ERR_BAD_ARGUMENT;
    }
    auto live = std::make_unique<LiveChannel>(this, command_link_);
    live->SetCallback(slot.callback, slot.user);
    LiveStartParams params;
    params.channel = channel;
    params.link_mode = link_mode;
    params.stream_number = stream_number;
    params.user = user;
    params.password = password;
    std::array<uint8_t, 8> stream_id{};
    int32_t result = live->Start(params, &stream_id);
    if (result != QW_NET_OK) {
        return result;
    }
    slot.live = std::move(live);
    slot.stream_id = stream_id;
    slot.active = true;
    return QW_NET_OK;
}

int32_t DvrDevice::SetRealDataCallBack(int32_t channel, void* user, RealDataCallback callback) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    std::lock_guard<std::mutex> guard(slot.lock);
    slot.callback = callback;
    slot.user = user;
    if (slot.live) {
        slot.live->SetCallback(callback, user);
    }
    return QW_NET_OK;
}

int32_t DvrDevice::StopRealAV(int32_t channel) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    slot.active = false;
    std::unique_ptr<LiveChannel> live;
    {
        std::lock_guard<std::mutex> guard(slot.lock);
        if (!slot.live) {
            return QW_NET_ERR_NOT_STARTED;
        }
        live = std::move(slot.live);
        // Stopped under the lock, so a start of the same channel waits for
        // the old receiver to be gone.
        live->Stop();
    }
    return QW_NET_OK;
}

int32_t DvrDevice::StreamSound(int32_t channel, uint32_t open_or_close) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    if (!slot.active) {
        return QW_NET_ERR_NO_STREAM;
    }
    std::array<uint8_t, 8> stream_id;
    {
        std::lock_guard<std::mutex> guard(slot.lock);
        stream_id = slot.stream_id;
    }
    RequestBlock block(kCmdStreamSound, kStreamSoundRequestLength);
    // The identifier goes back exactly as the recorder sent it.
    std::memcpy(block.data() + 20, stream_id.data(), stream_id.size());
    block.PutLE32(28, open_or_close);
    DvrConnection link = FreshLink();
    int32_t transport = link.Exchange(&block, kExchangeWaitSeconds, true);
    link.Close();
    return transport != QW_NET_OK ? transport : ResponseResult(block);
}

int32_t DvrDevice::OpenStreamSound(int32_t channel) {
    return StreamSound(channel, kSoundOpen);
}
int32_t DvrDevice::CloseStreamSound(int32_t channel) {
    return StreamSound(channel, kSoundClose);
}
// No recorder kind offers a per-stream volume.
int32_t DvrDevice::SetStreamVolume(int32_t, int32_t) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::OpenTalk(TalkDataCallback, void*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::CloseTalk(bool) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::SendAudioData(const void*, int32_t) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::TalkReceiveLoop() {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::SendTalkRequest() {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::SearchAVFileList(int32_t, const std::tm&, const std::tm&, int32_t, FileList*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::StopDownload() {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::FormatHdd(const FormatDisk&) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::UploadFirmware(const char*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::PanTiltZoom(const ::PtzAction&, int32_t) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::SetAllConfig(ConfigBlock*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::GetAllConfig(ConfigBlock*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::ShutDown(int32_t) {
    return QW_NET_ERR_NOT_SUPPORTED;
}
int32_t DvrDevice::SetFileDataCallBack(void*, FileDataCallback) {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::StartClipDownload(const char*, int32_t, int32_t, int32_t, int32_t) {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::GetVideoFileCalendar(int32_t, int32_t, uint32_t*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}

// No recorder kind keeps a log calendar.
int32_t DvrDevice::GetLogCalendar(int32_t, int32_t, const char*) {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::CheckLogin(const char* user, const char* password, UserRights* out_rights) {
    RequestBlock block(kCmdLogin, kLoginRequestLength);
    block.PutText(20, kLoginFieldBytes, user);
    block.PutText(52, kLoginFieldBytes, password);
    DvrConnection link = FreshLink();
    int32_t transport = link.Exchange(&block, kExchangeWaitSeconds, true, kLoginAnswerBytes);
    link.Close();
    if (transport != QW_NET_OK) {
        return transport;
    }
    UserRights rights;
    rights.total_length = static_cast<int32_t>(block.GetLE32(0));
    rights.level = static_cast<int32_t>(block.GetLE32(4));
    rights.rights_a = static_cast<int32_t>(block.GetLE32(8));
    rights.rights_b = static_cast<int32_t>(block.GetLE32(12));
    if (rights.level == kFullRightsLevel) {
        rights.rights_a = kAllRightsA;
        rights.rights_b = kAllRightsB;
    }
    if (out_rights != nullptr) {
        *out_rights = rights;
    }
    return rights.level;
}

void DvrDevice::CloseCommandLink() {
    CloseCommandSocket();
    ReleaseCommandLink();
}

void DvrDevice::CloseCommandSocket() {
    command_link_.Close();
}
void DvrDevice::ReleaseCommandLink() {}

void DvrDevice::SetMctpSettings(const std::string& host, int mctp_port, const char* user,
                                const char* password) {
    host_ = host;
    mctp_port_ = mctp_port;
    CopyCredential(&mctp_user_, user);
    CopyCredential(&mctp_password_, password);
    MctpSettings settings;
    settings.address = host;
    settings.port = static_cast<uint16_t>(mctp_port);
    settings.user = mctp_user_;
    settings.password = mctp_password_;
    mctp_.Close();
    mctp_.Open(settings);
}

}  // namespace kestrel::net
