#include "dvr_device.h"

#include <cstring>

#include "platform/thread.h"
#include "recorder_answers.h"

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
constexpr uint32_t kSoundOpen = 0;
constexpr uint32_t kSoundClose = 1;
constexpr uint32_t kWriteConfigRequestLength = 44;
constexpr uint32_t kPtzRequestLength = 52;
constexpr uint32_t kShutDownRequestLength = 28;
constexpr int kShutDownAnswerDelayMs = 100;

DvrDevice::DvrDevice() = default;

DvrDevice::~DvrDevice() {
    workers_.StopAll();
    download_.Stop();
    mctp_.Close();
    StopAllChannels();
    command_link_.Close();
}

DvrConnection DvrDevice::FreshLink() const {
    DvrConnection link;
    link.CopyTarget(command_link_);
    return link;
}

void DvrDevice::StopAllChannels() {
    for (ChannelSlot& slot : channels_) {
        bool was_started = false;
        StopChannel(slot, &was_started);
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
    auto live = std::make_shared<LiveChannel>(this, command_link_);
    {
        std::lock_guard<std::mutex> pair_guard(slot.pair_lock);
        if (slot.live) {
            return QW_NET_ERR_STREAM_RUNNING;
        }
        // Checked before connecting: a text that cannot fit its field with a
        // NUL is refused without traffic.
        if ((user != nullptr && std::strlen(user) >= kLoginFieldBytes) ||
            (password != nullptr && std::strlen(password) >= kLoginFieldBytes)) {
            return QW_NET_ERR_BAD_ARGUMENT;
        }
        // Published before it starts, so a pair registered meanwhile reaches it.
        live->SetCallback(slot.callback, slot.user);
        slot.live = live;
    }
    LiveStartParams params;
    params.channel = channel;
    params.link_mode = link_mode;
    params.stream_number = stream_number;
    params.user = user;
    params.password = password;
    std::array<uint8_t, 8> stream_id{};
    int32_t result = live->Start(params, &stream_id);
    std::lock_guard<std::mutex> pair_guard(slot.pair_lock);
    if (result != QW_NET_OK) {
        slot.live.reset();
        return result;
    }
    slot.stream_id = stream_id;
    slot.active = true;
    return QW_NET_OK;
}

int32_t DvrDevice::SetRealDataCallBack(int32_t channel, void* user, RealDataCallback callback) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    std::shared_ptr<LiveChannel> live;
    {
        std::lock_guard<std::mutex> pair_guard(slot.pair_lock);
        slot.callback = callback;
        slot.user = user;
        live = slot.live;
    }
    if (live) {
        live->SetCallback(callback, user);
    }
    return QW_NET_OK;
}

void DvrDevice::StopChannel(ChannelSlot& slot, bool* was_started) {
    slot.active = false;
    std::lock_guard<std::mutex> guard(slot.lock);
    std::shared_ptr<LiveChannel> live;
    {
        std::lock_guard<std::mutex> pair_guard(slot.pair_lock);
        live = std::move(slot.live);
    }
    *was_started = live != nullptr;
    if (live) {
        // Stopped under the start/stop lock, so a start of the same channel
        // waits for the old receiver to be gone.
        live->Stop();
    }
}

int32_t DvrDevice::StopRealAV(int32_t channel) {
    bool was_started = false;
    StopChannel(channels_[static_cast<size_t>(channel)], &was_started);
    return was_started ? QW_NET_OK : QW_NET_ERR_NOT_STARTED;
}

int32_t DvrDevice::StreamSound(int32_t channel, uint32_t open_or_close) {
    ChannelSlot& slot = channels_[static_cast<size_t>(channel)];
    if (!slot.active) {
        return QW_NET_ERR_NO_STREAM;
    }
    std::array<uint8_t, 8> stream_id;
    {
        std::lock_guard<std::mutex> pair_guard(slot.pair_lock);
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
int32_t DvrDevice::OpenTalk(TalkDataCallback callback, void* user) {
    talk_.SetTarget(command_link_);
    return talk_.Open(callback, user);
}

int32_t DvrDevice::CloseTalk(bool notify) {
    talk_.SetTarget(command_link_);
    return talk_.Close(notify);
}

int32_t DvrDevice::SendAudioData(const void* data, int32_t length) {
    return talk_.SendAudio(data, static_cast<size_t>(length));
}

// The talk receiver runs inside TalkLink.
int32_t DvrDevice::TalkReceiveLoop() {
    return QW_NET_ERR_NOT_SUPPORTED;
}

int32_t DvrDevice::SendTalkRequest() {
    talk_.SetTarget(command_link_);
    return talk_.SendRequest();
}

int32_t DvrDevice::SearchAVFileList(int32_t channel, const std::tm& start, const std::tm& end,
                                    int32_t file_type, FileList* out_list) {
    return search_.Search(FreshLink(), channel, start, end, file_type, out_list);
}

int32_t DvrDevice::StopDownload() {
    return download_.Stop();
}

int32_t DvrDevice::FormatHdd(const FormatDisk& disk) {
    return workers_.StartFormat(command_link_, disk);
}

int32_t DvrDevice::UploadFirmware(const char* file_path) {
    return workers_.StartUpload(command_link_, file_path);
}

int32_t DvrDevice::PanTiltZoom(const ::PtzAction& action, int32_t parameter) {
    RequestBlock block(kCmdPtz, kPtzRequestLength);
    block.PutLE32(20, static_cast<uint32_t>(parameter));
    block.PutLE32(24, static_cast<uint32_t>(action.command));
    block.PutLE32(28, static_cast<uint32_t>(action.speed));
    DvrConnection link = FreshLink();
    if (!link.Connect()) {
        return QW_NET_ERR_CONNECT;
    }
    bool sent = link.SendAll(block.data(), block.size());
    link.Close();
    return sent ? QW_NET_OK : QW_NET_ERR_SEND;
}

int32_t DvrDevice::GetAllConfig(ConfigBlock* block) {
    RequestBlock request(kCmdReadConfig, kCommandHeaderBytes);
    DvrConnection link = FreshLink();
    int32_t transport = link.Exchange(&request, kExchangeWaitSeconds, true);
    if (transport != QW_NET_OK) {
        link.Close();
        return transport;
    }
    uint32_t size = 0;
    int32_t result = WholeConfigSize(request, &size);
    if (result != QW_NET_OK) {
        link.Close();
        return result;
    }
    std::vector<uint8_t> data(size);
    size_t received = 0;
    while (received < data.size()) {
        size_t got = data.size() - received;
        if (!link.ReceiveOnce(data.data() + received, &got, kExchangeWaitSeconds) || got == 0) {
            link.Close();
            return QW_NET_ERR_RESPONSE;
        }
        received += got;
    }
    link.Close();
    // The previous buffer goes now: its pointer is no longer valid.
    whole_config_ = std::move(data);
    block->size = static_cast<int32_t>(whole_config_.size());
    block->data = whole_config_.data();
    return QW_NET_OK;
}

int32_t DvrDevice::SetAllConfig(ConfigBlock* block) {
    RequestBlock request(kCmdWriteConfig, kWriteConfigRequestLength);
    request.PutLE32(40, static_cast<uint32_t>(block->size));
    DvrConnection link = FreshLink();
    int32_t transport = link.Exchange(&request, kExchangeWaitSeconds, true);
    int32_t result = transport != QW_NET_OK ? transport : ResponseResult(request);
    if (result == 0) {
        if (!link.SendAll(block->data, static_cast<size_t>(block->size))) {
            result = QW_NET_ERR_SEND;
        } else {
            transport =
                link.ReadResponse(&request, kExchangeWaitSeconds, kStandardResponseHeader, 0);
            result = transport != QW_NET_OK ? transport : ResponseResult(request);
        }
    }
    link.Close();
    return result;
}

int32_t DvrDevice::ShutDown(int32_t mode) {
    RequestBlock block(kCmdShutDown, kShutDownRequestLength);
    block.PutBE32(20, static_cast<uint32_t>(mode));
    block.PutBE32(24, 0);
    DvrConnection link = FreshLink();
    if (!link.Connect() || !link.SendAll(block.data(), block.size())) {
        link.Close();
        return QW_NET_ERR_CONNECT;
    }
    platform::SleepMs(kShutDownAnswerDelayMs);
    size_t got = block.size();
    bool answered = link.ReceiveOnce(block.data(), &got, kExchangeWaitSeconds) && got > 3;
    link.Close();
    return answered ? QW_NET_OK : QW_NET_ERR_CONNECT;
}

int32_t DvrDevice::SetFileDataCallBack(void* user, FileDataCallback callback) {
    download_.SetCallback(user, callback);
    return QW_NET_OK;
}

int32_t DvrDevice::StartClipDownload(const char* file_name, int32_t mode, int32_t first_value,
                                     int32_t second_value, int32_t third_value) {
    return download_.Start(command_link_, file_name, mode, first_value, second_value, third_value);
}

int32_t DvrDevice::GetVideoFileCalendar(int32_t month, int32_t, uint32_t* out_day_mask) {
    return VideoFileCalendar(FreshLink(), month, out_day_mask);
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
    const UserRights rights = LoginRights(block);
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
