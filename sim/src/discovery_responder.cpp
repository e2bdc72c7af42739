#include "sim/discovery_responder.h"

#include <algorithm>
#include <system_error>

#include "sim/recorder_config.h"

namespace kestrel::sim {
namespace {

constexpr std::array<uint8_t, 4> kSearchRequest = {0x06, 0x04, 0x04, 0x00};
// Stop() wakes the receive by shutting the socket down; the slice bounds a
// missed wake-up.
constexpr int kReceiveSliceMs = 200;

}  // namespace

DiscoveryResponder::DiscoveryResponder(DiscoveryResponderConfig config)
    : config_(std::move(config)) {}

DiscoveryResponder::~DiscoveryResponder() {
    Stop();
}

bool DiscoveryResponder::Start() {
    if (Running()) {
        last_error_ = "already running";
        return false;
    }
    if (!IsLoopbackAddress(config_.bind_address)) {
        last_error_ = "bind address " + config_.bind_address + " is outside 127.0.0.0/8";
        return false;
    }
    if (config_.answer_length == 0 || config_.answer_length > answer_.size()) {
        last_error_ = "answer length must be 1.." + std::to_string(answer_.size());
        return false;
    }
    answer_.fill(0);
    std::copy(config_.info.begin(), config_.info.end(), answer_.begin() + kDiscoveryInfoOffset);
    std::copy(config_.mac.begin(), config_.mac.end(), answer_.begin() + kDiscoveryMacOffset);

    socket_ = platform::Socket::Udp();
    if (!socket_.IsOpen() || !socket_.SetReuseAddress(true) ||
        !socket_.Bind(config_.bind_address, config_.port)) {
        last_error_ = "cannot bind " + config_.bind_address + ":" + std::to_string(config_.port) +
                      " (error " + std::to_string(platform::LastSocketError()) + ")";
        socket_.Close();
        return false;
    }
    port_ = socket_.LocalPort();
    stopping_ = false;
    try {
        receiver_ = std::thread(&DiscoveryResponder::ReceiveLoop, this);
    } catch (const std::system_error&) {
        last_error_ = "cannot start the receive thread";
        socket_.Close();
        return false;
    }
    return true;
}

void DiscoveryResponder::Stop() {
    if (receiver_.joinable()) {
        stopping_ = true;
        socket_.Shutdown();
        receiver_.join();
    }
    socket_.Close();
}

void DiscoveryResponder::ReceiveLoop() {
    std::array<uint8_t, 1500> datagram{};
    while (!stopping_) {
        const platform::WaitResult ready = socket_.WaitReadable(kReceiveSliceMs);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        std::string from_ip;
        uint16_t from_port = 0;
        const long got =
            ready == platform::WaitResult::kReady
                ? socket_.ReceiveFrom(datagram.data(), datagram.size(), &from_ip, &from_port)
                : -1;
        if (got < 0 || stopping_) {
            return;  // shut down by Stop(), or the socket failed
        }
        const bool is_request =
            static_cast<size_t>(got) == kSearchRequest.size() &&
            std::equal(kSearchRequest.begin(), kSearchRequest.end(), datagram.begin());
        if (!is_request) {
            ++ignored_;
            continue;
        }
        ++requests_;
        if (config_.silent || !IsLoopbackAddress(from_ip)) {
            continue;
        }
        if (socket_.SendTo(answer_.data(), config_.answer_length, from_ip, from_port) ==
            static_cast<long>(config_.answer_length)) {
            ++answers_;
        }
    }
}

}  // namespace kestrel::sim
