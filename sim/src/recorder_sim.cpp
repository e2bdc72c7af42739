#include "sim/recorder_sim.h"

#include <optional>

#include "config_store.h"
#include "device_actions.h"
#include "platform/socket.h"
#include "port_server.h"
#include "recording_store.h"
#include "services.h"
#include "sim/media_set.h"
#include "stop_signal.h"
#include "stream_registry.h"
#include "whole_config.h"

namespace kestrel::sim {

// Lives as long as the simulator, so stream identifiers stay unique and the
// stores keep their contents across a Stop() and a new Start(); media and
// servers exist only while running.
struct RecorderSim::Internals {
    Internals(const RecorderConfig& config, Observations& observations)
        : streams(observations), records(config) {}

    StreamRegistry streams;
    ConfigStore records;
    WholeConfig whole_config;
    DeviceActions actions;
    StopSignal stop;
    bool sockets_started = false;
    std::optional<MediaSet> media;
    // Built from the media at Start(), gone after Stop().
    std::optional<RecordingStore> recordings;
    std::optional<ServerContext> context;  // refers to media, the stores, stop
    std::unique_ptr<PortServer> command_server;
    std::unique_ptr<PortServer> mctp_server;
};

RecorderSim::RecorderSim(RecorderConfig config)
    : config_(std::move(config)),
      observations_(config_.request_log_limit, config_.capture_live, config_.capture_limit_bytes),
      internals_(std::make_unique<Internals>(config_, observations_)) {}

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
    in.recordings.emplace(config_, in.media->main_clip);
    in.context.emplace(ServerContext{config_, *in.media, in.streams, observations_, in.stop,
                                     in.records, in.whole_config, in.actions, *in.recordings});
    in.command_server = std::make_unique<PortServer>(
        *in.context, PortService{"command", config_.command_port, config_.faults.refuse_connections,
                                 ServicePort::kCommand, &ServeCommandConnection});
    in.mctp_server = std::make_unique<PortServer>(
        *in.context,
        PortService{"MCTP", config_.mctp_port, false, ServicePort::kMctp, &ServeMctpConnection});
    if (!in.command_server->Start(&last_error_) || !in.mctp_server->Start(&last_error_)) {
        Stop();
        return false;
    }
    return true;
}

void RecorderSim::Stop() {
    Internals& in = *internals_;
    in.stop.Raise();
    in.command_server.reset();  // each wakes and joins its threads
    in.mctp_server.reset();
    in.context.reset();
    in.recordings.reset();
    in.media.reset();
    if (in.sockets_started) {
        platform::SocketsCleanup();
        in.sockets_started = false;
    }
}

bool RecorderSim::Running() const {
    return internals_->command_server != nullptr;
}

uint16_t RecorderSim::CommandPort() const {
    return Running() ? internals_->command_server->Port() : 0;
}

uint16_t RecorderSim::MctpPort() const {
    return Running() ? internals_->mctp_server->Port() : 0;
}

std::optional<ReceivedFirmware> RecorderSim::FirmwareReceived() const {
    return observations_.Firmware();
}

std::vector<RecordingFile> RecorderSim::Recordings(int channel, int year, int month,
                                                   int day) const {
    if (!Running() || channel < 0) {
        return {};
    }
    return internals_->recordings->Files(channel, RecordingDay{year, month, day});
}

std::vector<uint8_t> RecorderSim::RecordingBytes(const std::string& name) const {
    if (!Running()) {
        return {};
    }
    RecordingStore& store = *internals_->recordings;
    const RecordingFile* file = store.Find(name);
    if (file == nullptr) {
        return {};
    }
    return *store.Bytes(*file);
}

std::vector<uint8_t> RecorderSim::WholeConfiguration() const {
    return internals_->whole_config.Read();
}

std::optional<std::vector<uint8_t>> RecorderSim::StoredRecord(std::string_view function) const {
    return internals_->records.Find(RecordKey(function));
}

std::optional<std::vector<uint8_t>> RecorderSim::StoredRecord(std::string_view function,
                                                              uint32_t selector) const {
    return internals_->records.Find(SubKey(RecordKey(function), selector));
}

std::optional<std::vector<uint8_t>> RecorderSim::StoredRecord(std::string_view function,
                                                              std::string_view device) const {
    return internals_->records.Find(SubKey(RecordKey(function), device));
}

std::map<std::string, std::vector<uint8_t>> RecorderSim::StoredRecords() const {
    const RecordMap records = internals_->records.Snapshot();
    return {records.begin(), records.end()};
}

}  // namespace kestrel::sim
