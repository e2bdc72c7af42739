// One live channel from an in-process simulated recorder into a memory
// window, fed the way the client feeds it (see kestrel::tools::LiveFeed).
#pragma once

#include <cstdint>
#include <memory>

#include "kestrel_media.h"
#include "kestrel_net.h"
#include "live_feed.h"
#include "memory_window.h"
#include "sim/recorder_config.h"
#include "sim/recorder_sim.h"

namespace kestrel::media::test {

class LiveSession {
public:
    static constexpr int32_t kChannel = 2;

    LiveSession(sim::RecorderConfig config, int32_t buffer_mode, int stream);
    ~LiveSession();  // Stop()
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    bool Started() const { return started_; }
    MemoryWindow& Window() { return window_; }
    tools::LiveFigures Figures() const;
    QW_DVR_HANDLE Device() const { return device_; }
    QW_DECODER_HANDLE Decoder() const { return decoder_; }
    uint32_t TypeCode() const { return type_; }

    // Stops the stream and the channel and closes both handles.
    void Stop();

private:
    sim::RecorderSim recorder_;
    QW_DVR_HANDLE device_ = nullptr;
    QW_DECODER_HANDLE decoder_ = nullptr;
    uint32_t type_ = 0;
    std::unique_ptr<tools::LiveFeed> feed_;
    MemoryWindow window_;
    bool started_ = false;
};

}  // namespace kestrel::media::test
