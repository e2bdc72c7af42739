// kestrel-dvrsim: one simulated recorder on loopback ports, for demos and
// manual checks. Prints "kestrel-dvrsim listening on ADDRESS:PORT (mctp
// PORT)" (command port first) as its first line once it accepts
// connections, then runs for --duration seconds or until SIGINT/SIGTERM.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "sim/command_line.h"
#include "sim/recorder_sim.h"

namespace {

volatile std::sig_atomic_t g_stop_requested = 0;

extern "C" void RequestStop(int) {
    g_stop_requested = 1;
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

    kestrel::sim::RecorderSim recorder(command_line.config);
    if (!recorder.Start()) {
        std::fprintf(stderr, "kestrel-dvrsim: %s\n", recorder.LastError().c_str());
        return 1;
    }
    std::printf("kestrel-dvrsim listening on %s:%u (mctp %u)\n", recorder.Address().c_str(),
                static_cast<unsigned>(recorder.CommandPort()),
                static_cast<unsigned>(recorder.MctpPort()));
    std::fflush(stdout);

    using Clock = std::chrono::steady_clock;
    const auto deadline = command_line.duration_seconds
                              ? Clock::now() + std::chrono::seconds(*command_line.duration_seconds)
                              : Clock::time_point::max();
    while (!g_stop_requested && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    recorder.Stop();
    std::printf("kestrel-dvrsim stopped\n");
    return 0;
}
