// One simulated recorder: the recorder's side of the command protocol and
// of the MCTP configuration service, each on its own loopback port, for
// tests (in-process, ephemeral ports) and for the kestrel-dvrsim program.
//
// Command port: identification (10), login check (25), live stream start
// (3) with recording header, paced video records and optional audio records,
// stream sound (26), whole configuration read (14) and write (15). Other
// commands get a standard response with kResultUnknownCommand.
//
// MCTP port: every configuration call of kestrel_net_config.h, one request
// per connection, against a record store initialised with plausible values
// for the configured model, users and network device. Set calls store, get
// calls answer what is stored. A request whose segments do not fit its call
// gets Return-Code kMctpBadShape and no segments; an unknown function gets
// status 404, a request that is not a remote call status 400.
//
// Threading: Start(), Stop() and the destructor come from one controlling
// thread. The simulator runs one accept thread per port and one thread per
// accepted connection (which also sends that connection's live stream); all
// of them belong to the simulator and have ended when Stop() returns. Stop()
// shuts down every socket to wake blocked threads, so it returns within a
// few hundred milliseconds even while clients stay connected. Observed() and
// WholeConfiguration() may be read from any thread, also after Stop(). The
// configuration records and the whole configuration live as long as the
// simulator, so a restart keeps what clients set.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/observations.h"
#include "sim/recorder_config.h"
#include "sim/recordings.h"

namespace kestrel::sim {

class RecorderSim {
public:
    explicit RecorderSim(RecorderConfig config = {});
    ~RecorderSim();  // Stop()
    RecorderSim(const RecorderSim&) = delete;
    RecorderSim& operator=(const RecorderSim&) = delete;

    // Checks the configuration, loads the media and starts listening. false
    // (with LastError()) when the configuration is bad, the media cannot be
    // loaded, the address is outside 127.0.0.0/8 without allow_external, or
    // the port cannot be bound. false also while running.
    bool Start();
    // Ends every thread and closes every socket. Harmless when not running.
    // Start() may be called again afterwards; observations are kept.
    void Stop();
    bool Running() const;

    const RecorderConfig& Config() const { return config_; }
    const std::string& Address() const { return config_.bind_address; }
    // The bound ports (the ephemeral ones when the config asked for 0); 0
    // while not running.
    uint16_t CommandPort() const;
    uint16_t MctpPort() const;
    // The whole configuration as commands 14 and 15 see it.
    std::vector<uint8_t> WholeConfiguration() const;
    // The latest firmware upload (command 8): name, announced length and the
    // bytes that followed; nullopt before any announcement.
    std::optional<ReceivedFirmware> FirmwareReceived() const;
    // The recordings of a channel (0-based) on a day, in search order, and a
    // recording's bytes as a download sends them. Both need the media, so
    // they answer nothing (empty) while the simulator is not running. From
    // the controlling thread, like Start() and Stop().
    std::vector<RecordingFile> Recordings(int channel, int year, int month, int day) const;
    std::vector<uint8_t> RecordingBytes(const std::string& name) const;
    // The bytes the configuration store holds for a call's record, as its get
    // call answers them (an array: every record back to back), by the set or
    // the get call's name. Per-stream and per-channel records take their
    // selector or channel, a network device's record the device's name.
    // nullopt when the store holds no such record. Any thread, also after
    // Stop().
    std::optional<std::vector<uint8_t>> StoredRecord(std::string_view function) const;
    std::optional<std::vector<uint8_t>> StoredRecord(std::string_view function,
                                                     uint32_t selector) const;
    std::optional<std::vector<uint8_t>> StoredRecord(std::string_view function,
                                                     std::string_view device) const;
    // Every stored record by its key: the get call's name, with "#" and the
    // selector, channel or device name for the records kept per one.
    std::map<std::string, std::vector<uint8_t>> StoredRecords() const;
    const std::string& LastError() const { return last_error_; }
    const Observations& Observed() const { return observations_; }

private:
    struct Internals;  // media, stores, stop signal and the port servers

    const RecorderConfig config_;
    Observations observations_;
    std::unique_ptr<Internals> internals_;  // created with the simulator
    std::string last_error_;
};

}  // namespace kestrel::sim
