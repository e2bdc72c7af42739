#include "sim/flash_fleet.h"

namespace kestrel::sim {

FlashFleet::FlashFleet(FlashFleetConfig config) : config_(std::move(config)) {}

FlashFleet::~FlashFleet() {
    Stop();
}

uint16_t FlashFleet::UdpPort() const {
    return recorders_.empty() ? 0 : recorders_.front()->UdpPort();
}

uint16_t FlashFleet::TcpPort() const {
    return recorders_.empty() ? 0 : recorders_.front()->TcpPort();
}

bool FlashFleet::Start() {
    if (running_) {
        last_error_ = "already running";
        return false;
    }
    if (config_.size < 1 || config_.size > kMaxFlashFleetSize) {
        last_error_ = "a fleet has 1.." + std::to_string(kMaxFlashFleetSize) + " recorders";
        return false;
    }
    recorders_.clear();
    for (int i = 0; i < config_.size; ++i) {
        FlashRecorderConfig recorder = config_.recorder;
        recorder.address = "127.0.0." + std::to_string(2 + i);
        if (i > 0) {
            recorder.udp_port = UdpPort();
            recorder.tcp_port = TcpPort();
        }
        if (config_.configure) {
            config_.configure(i, recorder);
        }
        recorders_.push_back(std::make_unique<FlashRecorder>(std::move(recorder)));
        if (!recorders_.back()->Start()) {
            last_error_ = "recorder " + std::to_string(i) + ": " + recorders_.back()->LastError();
            recorders_.clear();  // stops the ones started
            return false;
        }
    }
    running_ = true;
    return true;
}

void FlashFleet::Stop() {
    for (const std::unique_ptr<FlashRecorder>& recorder : recorders_) {
        recorder->Stop();
    }
    running_ = false;
}

}  // namespace kestrel::sim
