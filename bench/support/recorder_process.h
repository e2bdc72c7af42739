// A simulated recorder in a process of its own, so that the CPU time a
// benchmark reads for its process is the client's alone and the recorder's
// sending does not count against either side of a comparison.
//
// The benchmark program starts itself again with kServeRecorderArgument; its
// main() hands that call to ServeRecorderIfAsked() before anything else. The
// recorder lives until the parent closes its control connection (or ends),
// and at most kServeLimitSeconds.
//
// Threading: RecorderProcess is used by one thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/socket.h"
#include "sim/recorder_config.h"

namespace kestrel::bench {

constexpr const char* kServeRecorderArgument = "--serve-recorder";
constexpr int kServeLimitSeconds = 1800;

struct RecorderOptions {
    // Any address in 127.0.0.0/8: a fresh one starts with no connections in
    // TIME_WAIT, for benchmarks that open tens of thousands of them.
    std::string address = "127.0.0.1";
    int recording_frames = 100;
    bool unpaced_live = false;
};

// The configuration the recorder process serves with (ports aside), so the
// parent can build the same recordings in-process to check what it received.
sim::RecorderConfig RecorderConfigFor(const RecorderOptions& options);

class RecorderProcess {
public:
    // program is this benchmark's file name in the program folder. nullptr,
    // with the reason printed, when the recorder did not come up in time.
    static std::unique_ptr<RecorderProcess> Start(const std::string& program,
                                                  const RecorderOptions& options);
    ~RecorderProcess();  // closes the control connection: the recorder ends
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    const std::string& Address() const { return address_; }
    uint16_t CommandPort() const { return command_port_; }
    uint16_t MctpPort() const { return mctp_port_; }

private:
    RecorderProcess() = default;

    std::string address_;
    uint16_t command_port_ = 0;
    uint16_t mctp_port_ = 0;
    platform::Socket control_;
};

// In the started copy: serves the recorder the arguments describe and returns
// the exit status. nullopt when argv is not a recorder call.
std::optional<int> ServeRecorderIfAsked(int argc, char** argv);

}  // namespace kestrel::bench
