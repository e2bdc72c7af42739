// Several simulated recorders' upgrade services on one host: recorder i
// (from 0) on 127.0.0.(2+i), all on one UDP and one TCP port. With the ports
// configured 0 the first recorder picks free ones and the others take the
// same, which works because the search sockets share the broadcast address
// with address reuse and the upload listeners have distinct addresses.
//
// Threading: Start(), Stop(), the destructor and Recorder() from one
// controlling thread; each recorder's own observations from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/flash_recorder.h"

namespace kestrel::sim {

constexpr int kMaxFlashFleetSize = 200;

struct FlashFleetConfig {
    int size = 1;  // 1..kMaxFlashFleetSize
    // Every recorder's starting point; its ports and broadcast address are
    // the fleet's. The address is replaced per recorder.
    FlashRecorderConfig recorder;
    // Called per recorder with the address and ports filled in, to make
    // mixed fleets; whatever it changes is used as it is.
    std::function<void(int index, FlashRecorderConfig& config)> configure;
};

class FlashFleet {
public:
    explicit FlashFleet(FlashFleetConfig config = {});
    ~FlashFleet();  // Stop()
    FlashFleet(const FlashFleet&) = delete;
    FlashFleet& operator=(const FlashFleet&) = delete;

    // All recorders or none: false (with LastError()) when one cannot start,
    // the others are then stopped again. Also false while running.
    bool Start();
    // Harmless when not running. The recorders and their observations stay
    // until the next Start().
    void Stop();
    bool Running() const { return running_; }

    int Size() const { return static_cast<int>(recorders_.size()); }  // 0 before Start()
    FlashRecorder& Recorder(int index) { return *recorders_.at(static_cast<size_t>(index)); }
    uint16_t UdpPort() const;  // the shared ports; 0 before Start()
    uint16_t TcpPort() const;
    const std::string& LastError() const { return last_error_; }

private:
    const FlashFleetConfig config_;
    std::vector<std::unique_ptr<FlashRecorder>> recorders_;
    bool running_ = false;
    std::string last_error_;
};

}  // namespace kestrel::sim
