#include "sim/flash_recorder.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>

#include "flash_packet.h"
#include "image_name.h"
#include "sim/recorder_config.h"

namespace kestrel::sim {
namespace {

constexpr int kSliceMs = 200;
constexpr int kListenBacklog = 16;
constexpr int kMaxRepliesPerSearch = 16;
constexpr size_t kSegmentCountOffset = 4;
constexpr size_t kBusyOffset = 8;
// Block offsets of the version texts of segments 1..8: segment 4 comes first.
constexpr size_t kVersionOffsets[kFlashSegmentSlots] = {36, 60, 84, 12, 108, 132, 156, 180};

// Dotted a.b.c.d (already checked) as a.b.c.d = bits 31..0.
uint32_t AddressValue(const std::string& dotted) {
    unsigned parts[4] = {};
    std::sscanf(dotted.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    return parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
}

std::vector<uint8_t> BuildSearchReply(const FlashRecorderConfig& config) {
    flash::FlashPacket packet;
    packet.command = static_cast<uint32_t>(flash::FlashCommand::kSearchReply);
    packet.length = flash::kRecorderBlockBytes;
    uint8_t* block = packet.payload.data();
    // Little-endian, so the tool reads the last number first.
    flash::WriteLE32(block, AddressValue(config.address));
    flash::WriteLE32(block + kSegmentCountOffset, config.segment_count);
    flash::WriteLE32(block + kBusyOffset, config.busy ? 1 : 0);
    for (size_t i = 0; i < std::size(kVersionOffsets); ++i) {
        std::memcpy(block + kVersionOffsets[i], config.versions[i].data(),
                    config.versions[i].size());
    }
    flash::PacketBytes bytes{};
    flash::EncodePacket(packet, &bytes);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace

struct FlashRecorder::Upload {
    platform::Socket socket;  // the upload thread's; Stop() may shut it down
    std::thread thread;
    std::atomic<bool> finished{false};
};

FlashRecorder::FlashRecorder(FlashRecorderConfig config) : config_(std::move(config)) {}

FlashRecorder::~FlashRecorder() {
    Stop();
}

std::string FlashRecorder::CheckConfig() const {
    if (!IsLoopbackAddress(config_.address)) {
        return "address " + config_.address + " is outside 127.0.0.0/8";
    }
    if (!IsLoopbackAddress(config_.broadcast_address)) {
        return "broadcast address " + config_.broadcast_address + " is outside 127.0.0.0/8";
    }
    for (const std::string& version : config_.versions) {
        if (version.size() >= flash::kVersionFieldBytes) {
            return "version text longer than 23 characters: " + version;
        }
    }
    if (config_.replies_per_search < 0 || config_.replies_per_search > kMaxRepliesPerSearch) {
        return "replies per search must be 0..16";
    }
    if (config_.chunk_delay_ms < 0 || config_.chunk_delay_ms > 60000) {
        return "chunk delay must be 0..60000 ms";
    }
    if (config_.peer_timeout_ms < 100 || config_.peer_timeout_ms > 600000) {
        return "peer time-out must be 100..600000 ms";
    }
    return "";
}

bool FlashRecorder::Start() {
    if (Running()) {
        last_error_ = "already running";
        return false;
    }
    last_error_ = CheckConfig();
    if (!last_error_.empty()) {
        return false;
    }
    search_reply_ = BuildSearchReply(config_);

    udp_ = platform::Socket::Udp();
    if (!udp_.IsOpen() || !udp_.SetReuseAddress(true) ||
        !udp_.Bind(config_.broadcast_address, config_.udp_port)) {
        last_error_ = "cannot bind " + config_.broadcast_address + ":" +
                      std::to_string(config_.udp_port) + " (error " +
                      std::to_string(platform::LastSocketError()) + ")";
        udp_.Close();
        return false;
    }
    listener_ = platform::Socket::Tcp();
    if (!listener_.IsOpen() || !listener_.Bind(config_.address, config_.tcp_port) ||
        !listener_.Listen(kListenBacklog)) {
        last_error_ = "cannot listen on " + config_.address + ":" +
                      std::to_string(config_.tcp_port) + " (error " +
                      std::to_string(platform::LastSocketError()) + ")";
        listener_.Close();
        udp_.Close();
        return false;
    }
    udp_port_ = udp_.LocalPort();
    tcp_port_ = listener_.LocalPort();
    stopping_ = false;
    try {
        search_thread_ = std::thread(&FlashRecorder::SearchLoop, this);
        accept_thread_ = std::thread(&FlashRecorder::AcceptLoop, this);
    } catch (const std::system_error&) {
        Stop();
        last_error_ = "cannot start the service threads";
        return false;
    }
    return true;
}

void FlashRecorder::Stop() {
    stopping_ = true;
    udp_.Shutdown();
    listener_.Shutdown();
    if (search_thread_.joinable()) {
        search_thread_.join();
    }
    if (accept_thread_.joinable()) {
        accept_thread_.join();
    }
    // The accept thread is gone: the upload list is this thread's now.
    for (const std::unique_ptr<Upload>& upload : uploads_) {
        upload->socket.Shutdown();
    }
    for (const std::unique_ptr<Upload>& upload : uploads_) {
        upload->thread.join();
    }
    uploads_.clear();
    udp_.Close();
    listener_.Close();
}

std::vector<uint8_t> FlashRecorder::LastSearchRequest() const {
    std::lock_guard lock(mutex_);
    return last_search_;
}

FlashUploadObservation FlashRecorder::LastUpload() const {
    std::lock_guard lock(mutex_);
    return last_upload_;
}

void FlashRecorder::SearchLoop() {
    // Larger than a packet, so an oversized datagram is seen as such.
    std::array<uint8_t, 1500> datagram{};
    while (!stopping_) {
        const platform::WaitResult ready = udp_.WaitReadable(kSliceMs);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        std::string from_ip;
        uint16_t from_port = 0;
        const long got =
            ready == platform::WaitResult::kReady
                ? udp_.ReceiveFrom(datagram.data(), datagram.size(), &from_ip, &from_port)
                : -1;
        if (got < 0 || stopping_) {
            return;  // shut down by Stop(), or the socket failed
        }
        flash::FlashPacket packet;
        if (flash::DecodePacket(datagram.data(), static_cast<size_t>(got), &packet) !=
                flash::PacketResult::kOk ||
            !packet.Is(flash::FlashCommand::kSearchRequest)) {
            ++ignored_datagrams_;
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            last_search_.assign(datagram.begin(), datagram.begin() + got);
        }
        ++search_requests_;
        if (!IsLoopbackAddress(from_ip)) {
            continue;
        }
        for (int i = 0; i < config_.replies_per_search; ++i) {
            if (udp_.SendTo(search_reply_.data(), search_reply_.size(), from_ip, from_port) ==
                static_cast<long>(search_reply_.size())) {
                ++search_replies_;
            }
        }
    }
}

void FlashRecorder::ReapFinishedUploads() {
    for (auto it = uploads_.begin(); it != uploads_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = uploads_.erase(it);
        } else {
            ++it;
        }
    }
}

void FlashRecorder::AcceptLoop() {
    while (!stopping_) {
        const platform::WaitResult ready = listener_.WaitReadable(kSliceMs);
        ReapFinishedUploads();
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        if (ready != platform::WaitResult::kReady || stopping_) {
            return;
        }
        platform::Socket connection = listener_.Accept();
        if (!connection.IsOpen()) {
            // Out of descriptors, say: do not spin on the pending connection.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (uploads_.size() >= kMaxFlashUploads) {
            ++refused_;
            continue;  // closed as it goes out of scope
        }
        ++connections_;
        auto upload = std::make_unique<Upload>();
        upload->socket = std::move(connection);
        Upload* serving = upload.get();
        try {
            upload->thread = std::thread([this, serving] {
                Serve(serving->socket);
                // The peer sees the end now; the descriptor is closed when reaped.
                serving->socket.Shutdown();
                serving->finished = true;
            });
        } catch (const std::system_error&) {
            continue;
        }
        uploads_.push_back(std::move(upload));
    }
}

}  // namespace kestrel::sim
