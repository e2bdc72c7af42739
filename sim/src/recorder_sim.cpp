#include "sim/recorder_sim.h"

#include <optional>

#include "command_server.h"
#include "platform/socket.h"
#include "sim/media_set.h"
#include "stop_signal.h"
#include "stream_registry.h"

namespace kestrel::sim {

// Lives as long as the simulator, so stream identifiers stay unique across a
// Stop() and a new Start(); media and server exist only while running.
struct RecorderSim::Internals {
    explicit Internals(Observations& observations) : streams(observations) {}

    StreamRegistry streams;
    StopSignal stop;
    bool sockets_started = false;
    std::optional<MediaSet> media;
    std::optional<ServerContext> context;  // refers to media, streams, stop
    std::unique_ptr<CommandServer> server;
};

RecorderSim::RecorderSim(RecorderConfig config)
    : config_(std::move(config)),
      observations_(config_.request_log_limit, config_.capture_live, config_.capture_limit_bytes),
      internals_(std::make_unique<Internals>(observations_)) {}

RecorderSim::~RecorderSim() {
    Stop();
}

bool RecorderSim::Start() {
    if (Running()) {
        last_error_ = "already running";
        return false;
    }
    last_error_ = CheckConfig(config_);
    if (!last_error_.empty()) {
        return false;
    }
    Internals& in = *internals_;
    in.media = MediaSet::Load(config_.media_folder, &last_error_);
    if (!in.media) {
        return false;
    }
    if (platform::SocketsStartup() != 0) {
        last_error_ = "socket layer did not start";
        in.media.reset();
        return false;
    }
    in.sockets_started = true;
    in.stop.Reset();
    in.context.emplace(ServerContext{config_, *in.media, in.streams, observations_, in.stop});
    in.server = std::make_unique<CommandServer>(*in.context);
    if (!in.server->Start(&last_error_)) {
        Stop();
        return false;
    }
    return true;
}

void RecorderSim::Stop() {
    Internals& in = *internals_;
    in.stop.Raise();
    in.server.reset();  // wakes and joins every thread
    in.context.reset();
    in.media.reset();
    if (in.sockets_started) {
        platform::SocketsCleanup();
        in.sockets_started = false;
    }
}

bool RecorderSim::Running() const {
    return internals_->server != nullptr;
}

uint16_t RecorderSim::CommandPort() const {
    return internals_->server != nullptr ? internals_->server->Port() : 0;
}

}  // namespace kestrel::sim
