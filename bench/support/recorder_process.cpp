#include "recorder_process.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "sim/recorder_sim.h"

namespace kestrel::bench {

namespace {

constexpr int kStartAttempts = 3;
constexpr int kConnectPolls = 50;  // 100 ms apart
constexpr int kAcceptWaitMs = 30000;
constexpr int kControlPollMs = 1000;

// Distinct free loopback ports: all probes stay bound until every port is picked.
bool FreePorts(const std::string& address, uint16_t* a, uint16_t* b, uint16_t* c) {
    platform::Socket probes[3] = {platform::Socket::Tcp(), platform::Socket::Tcp(),
                                  platform::Socket::Tcp()};
    uint16_t* ports[3] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        if (!probes[i].Bind(address, 0)) {
            return false;
        }
        *ports[i] = probes[i].LocalPort();
    }
    return *a != 0 && *b != 0 && *c != 0;
}

// Serves until the control connection closes, bounded by kServeLimitSeconds.
int Serve(const RecorderOptions& options, uint16_t command_port, uint16_t mctp_port,
          uint16_t control_port) {
    sim::RecorderConfig config = RecorderConfigFor(options);
    config.bind_address = options.address;
    config.command_port = command_port;
    config.mctp_port = mctp_port;
    sim::RecorderSim recorder(config);
    if (!recorder.Start()) {
        std::fprintf(stderr, "recorder process: %s\n", recorder.LastError().c_str());
        return 1;
    }
    // Listening on the control port tells the parent that the recorder is up.
    platform::Socket listener = platform::Socket::Tcp();
    if (!listener.Bind(options.address, control_port) || !listener.Listen(1) ||
        listener.WaitReadable(kAcceptWaitMs) != platform::WaitResult::kReady) {
        return 1;
    }
    platform::Socket control = listener.Accept();
    listener.Close();
    for (int waited = 0; control.IsOpen() && waited < kServeLimitSeconds * 1000;
         waited += kControlPollMs) {
        const platform::WaitResult ready = control.WaitReadable(kControlPollMs);
        char byte;
        if (ready == platform::WaitResult::kError ||
            (ready == platform::WaitResult::kReady && control.Receive(&byte, 1) <= 0)) {
            break;
        }
    }
    recorder.Stop();
    return 0;
}

}  // namespace

sim::RecorderConfig RecorderConfigFor(const RecorderOptions& options) {
    sim::RecorderConfig config;
    config.recording_frames = options.recording_frames;
    config.unpaced_live = options.unpaced_live;
    return config;
}

std::unique_ptr<RecorderProcess> RecorderProcess::Start(const std::string& program,
                                                        const RecorderOptions& options) {
    const std::string path = platform::JoinPath(platform::ProgramFolder(), program);
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
        std::unique_ptr<RecorderProcess> process(new RecorderProcess);
        process->address_ = options.address;
        uint16_t control_port = 0;
        if (!FreePorts(options.address, &process->command_port_, &process->mctp_port_,
                       &control_port)) {
            continue;
        }
        if (!platform::StartDetached(
                path,
                {kServeRecorderArgument, options.address, std::to_string(process->command_port_),
                 std::to_string(process->mctp_port_), std::to_string(control_port),
                 std::to_string(options.recording_frames), options.unpaced_live ? "1" : "0"})) {
            std::printf("recorder process: could not start %s\n", path.c_str());
            return nullptr;
        }
        for (int poll = 0; poll < kConnectPolls; ++poll) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            process->control_ = platform::Socket::Tcp();
            if (process->control_.Connect(process->address_, control_port, 1000) ==
                platform::ConnectResult::kConnected) {
                return process;
            }
        }
        // Most likely a port was taken meanwhile: try again with new ones.
    }
    std::printf("recorder process: %s did not come up\n", path.c_str());
    return nullptr;
}

RecorderProcess::~RecorderProcess() {
    control_.Close();
}

std::optional<int> ServeRecorderIfAsked(int argc, char** argv) {
    if (argc < 2 || std::string(argv[1]) != kServeRecorderArgument) {
        return std::nullopt;
    }
    uint16_t command_port = 0, mctp_port = 0, control_port = 0;
    RecorderOptions options;
    if (argc != 8 || !sim::IsLoopbackAddress(argv[2]) ||
        !platform::ParsePortNumber(argv[3], &command_port) ||
        !platform::ParsePortNumber(argv[4], &mctp_port) ||
        !platform::ParsePortNumber(argv[5], &control_port)) {
        std::fprintf(stderr, "usage: %s ADDRESS PORT MCTP-PORT CONTROL-PORT FRAMES UNPACED\n",
                     kServeRecorderArgument);
        return 2;
    }
    options.address = argv[2];
    options.recording_frames = std::atoi(argv[6]);
    options.unpaced_live = std::string(argv[7]) == "1";
    return Serve(options, command_port, mctp_port, control_port);
}

}  // namespace kestrel::bench
