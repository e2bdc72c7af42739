// kestrel-dvrsim: one simulated recorder on loopback ports, for demos and
// manual checks. Prints "kestrel-dvrsim listening on ADDRESS:PORT (mctp
// PORT)" (command port first) as its first line once it accepts
// connections, then runs for --duration seconds or until SIGINT/SIGTERM.
//
// With --flash-fleet N it runs N recorders' firmware-upgrade services
// instead, and first prints one line per recorder once all of them serve:
// "kestrel-dvrsim flash ADDRESS search BROADCAST:PORT upload ADDRESS:PORT
// segments N busy 0|1 versions V1,V2,...".
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/command_line.h"
#include "sim/discovery_responder.h"
#include "sim/flash_fleet.h"
#include "sim/recorder_sim.h"
#include "sim/uid_server.h"

namespace {

volatile std::sig_atomic_t g_stop_requested = 0;

extern "C" void RequestStop(int) {
    g_stop_requested = 1;
}

std::array<uint8_t, 4> AddressBytes(const std::string& dotted) {
    std::array<uint8_t, 4> bytes{};
    unsigned parts[4] = {};
    if (std::sscanf(dotted.c_str(), "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]) ==
        4) {
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(parts[i]);
        }
    }
    return bytes;
}

// The identifier text a lookup names this recorder by: "DVR" and the
// hardware address in hex.
std::string IdentifierOf(const std::array<uint8_t, 6>& mac) {
    char text[16];
    std::snprintf(text, sizeof text, "DVR%02X%02X%02X%02X%02X%02X", mac[0], mac[1], mac[2], mac[3],
                  mac[4], mac[5]);
    return text;
}

// The demo fleet's fixed variety, by recorder number n (from 1): every 4th
// has 8 segments, every 5th already runs T091128 everywhere (the others an
// older V100000), every 6th is busy.
void DemoFleetPattern(int index, kestrel::sim::FlashRecorderConfig& config) {
    const int n = index + 1;
    config.segment_count = n % 4 == 0 ? 8 : 5;
    config.versions.fill(n % 5 == 0 ? "T091128" : "V100000");
    config.busy = n % 6 == 0;
}

std::string FlashRecorderLine(const kestrel::sim::FlashRecorder& recorder) {
    const kestrel::sim::FlashRecorderConfig& config = recorder.Config();
    std::string versions;
    for (uint32_t i = 0; i < config.segment_count && i < config.versions.size(); ++i) {
        versions += (i > 0 ? "," : "") + config.versions[i];
    }
    return "kestrel-dvrsim flash " + config.address + " search " + config.broadcast_address + ":" +
           std::to_string(recorder.UdpPort()) + " upload " + config.address + ":" +
           std::to_string(recorder.TcpPort()) + " segments " +
           std::to_string(config.segment_count) + " busy " + (config.busy ? "1" : "0") +
           " versions " + versions;
}

int RunFlashFleet(const kestrel::sim::CommandLine& command_line) {
    kestrel::sim::FlashFleetConfig config;
    config.size = *command_line.flash_fleet;
    std::string error;
    if (!kestrel::sim::ReadFlashPorts(&config.recorder.udp_port, &config.recorder.tcp_port,
                                      &error)) {
        std::fprintf(stderr, "kestrel-dvrsim: %s\n", error.c_str());
        return 2;
    }
    config.recorder.chunk_delay_ms = command_line.flash_chunk_delay_ms;
    config.recorder.keep_image = false;  // a long demo must not pile up images
    config.configure = DemoFleetPattern;
    kestrel::sim::FlashFleet fleet(config);
    if (!fleet.Start()) {
        std::fprintf(stderr, "kestrel-dvrsim: %s\n", fleet.LastError().c_str());
        return 1;
    }
    for (int i = 0; i < fleet.Size(); ++i) {
        std::printf("%s\n", FlashRecorderLine(fleet.Recorder(i)).c_str());
    }
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto deadline = command_line.duration_seconds
                              ? Clock::now() + std::chrono::seconds(*command_line.duration_seconds)
                              : Clock::time_point::max();
    // Finished uploads are printed as they happen, so a demo shows progress.
    std::vector<uint64_t> completed(static_cast<size_t>(fleet.Size()), 0);
    while (!g_stop_requested && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (int i = 0; i < fleet.Size(); ++i) {
            kestrel::sim::FlashRecorder& recorder = fleet.Recorder(i);
            if (recorder.UploadsCompleted() == completed[static_cast<size_t>(i)]) {
                continue;
            }
            completed[static_cast<size_t>(i)] = recorder.UploadsCompleted();
            kestrel::sim::FlashUploadObservation upload = recorder.LastUpload();
            // The name is the tool's text: keep control bytes off the terminal.
            for (char& c : upload.image_name) {
                if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f) {
                    c = '?';
                }
            }
            std::printf("kestrel-dvrsim flash %s received %s (%u bytes)\n",
                        recorder.Config().address.c_str(), upload.image_name.c_str(),
                        static_cast<unsigned>(upload.image_size));
            std::fflush(stdout);
        }
    }
    fleet.Stop();
    std::printf("kestrel-dvrsim stopped\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    kestrel::sim::CommandLine command_line;
    std::string error;
    if (!kestrel::sim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc),
                                        &command_line, &error)) {
        std::fprintf(stderr, "kestrel-dvrsim: %s\n%s", error.c_str(),
                     kestrel::sim::CommandLineUsage().c_str());
        return 2;
    }
    if (command_line.show_help) {
        std::fputs(kestrel::sim::CommandLineUsage().c_str(), stdout);
        return 0;
    }
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    if (command_line.flash_fleet) {
        return RunFlashFleet(command_line);
    }

    kestrel::sim::RecorderSim recorder(command_line.config);
    if (!recorder.Start()) {
        std::fprintf(stderr, "kestrel-dvrsim: %s\n", recorder.LastError().c_str());
        return 1;
    }
    std::printf("kestrel-dvrsim listening on %s:%u (mctp %u)\n", recorder.Address().c_str(),
                static_cast<unsigned>(recorder.CommandPort()),
                static_cast<unsigned>(recorder.MctpPort()));
    std::fflush(stdout);

    const kestrel::sim::RecorderConfig& config = command_line.config;
    std::unique_ptr<kestrel::sim::DiscoveryResponder> discovery;
    if (command_line.discovery_port) {
        kestrel::sim::DiscoveryResponderConfig discovery_config;
        discovery_config.port = *command_line.discovery_port;
        discovery_config.info = AddressBytes(recorder.Address());
        discovery_config.mac = config.hardware_address;
        discovery = std::make_unique<kestrel::sim::DiscoveryResponder>(discovery_config);
        if (!discovery->Start()) {
            std::fprintf(stderr, "kestrel-dvrsim: %s\n", discovery->LastError().c_str());
            return 1;
        }
        std::printf("kestrel-dvrsim discovery on 127.255.255.255:%u\n",
                    static_cast<unsigned>(discovery->Port()));
    }
    std::unique_ptr<kestrel::sim::UidServer> uid;
    if (command_line.uid_port) {
        kestrel::sim::UidServerConfig uid_config;
        uid_config.bind_address = recorder.Address();
        uid_config.port = *command_line.uid_port;
        uid_config.entries.push_back({IdentifierOf(config.hardware_address),
                                      AddressBytes(recorder.Address()), recorder.CommandPort(),
                                      recorder.MctpPort()});
        uid = std::make_unique<kestrel::sim::UidServer>(uid_config);
        if (!uid->Start()) {
            std::fprintf(stderr, "kestrel-dvrsim: %s\n", uid->LastError().c_str());
            return 1;
        }
        std::printf("kestrel-dvrsim uid server on %s:%u for %s\n", uid->Address().c_str(),
                    static_cast<unsigned>(uid->Port()),
                    IdentifierOf(config.hardware_address).c_str());
    }
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto deadline = command_line.duration_seconds
                              ? Clock::now() + std::chrono::seconds(*command_line.duration_seconds)
                              : Clock::time_point::max();
    // The PTZ actions a client sends are printed as they arrive, so that a
    // demo shows the camera being steered.
    size_t ptz_printed = 0;
    while (!g_stop_requested && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::vector<kestrel::sim::ObservedPtzAction> actions = recorder.Observed().PtzActions();
        for (; ptz_printed < actions.size(); ++ptz_printed) {
            const kestrel::sim::ObservedPtzAction& action = actions[ptz_printed];
            std::printf("kestrel-dvrsim PTZ channel %u command %u parameter %u\n",
                        action.parameter + 1, action.command, action.speed);
            std::fflush(stdout);
        }
    }
    if (uid) {
        uid->Stop();
    }
    if (discovery) {
        discovery->Stop();
    }
    recorder.Stop();
    std::printf("kestrel-dvrsim stopped\n");
    return 0;
}
