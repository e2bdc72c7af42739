// Configuration call benchmark: calls per second of QW_SRDK_DEV_GetDevCaps
// through the library (connect, request, answer, close, as every
// configuration call does) against the simulator's MCTP port, and, as the
// peer in the same run, a plain TCP client that sends the same request
// bytes in the same two writes to the same port and reads the answer by its
// Content-Length. Prints both rates and their ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "kestrel_records.h"
#include "platform/socket.h"
#include "sim/recorder_sim.h"

namespace sim = kestrel::sim;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSeconds = 1.5;
constexpr int kRounds = 3;
constexpr int kWaitMs = 5000;

// What the library sends for QW_SRDK_DEV_GetDevCaps, header and body.
std::string RequestHeader(unsigned cseq) {
    const std::string body = "Segment-Num:0\r\n";
    return "REMOTE QW_SRDK_DEV_GetDevCaps MCTP/1.0\r\nCSeq:" + std::to_string(cseq) +
           "\r\nAccept:text/HDP\r\nContent-Type:text/HDP\r\nFunc-Version:0x10\r\nContent-Length:" +
           std::to_string(body.size()) + "\r\n\r\n";
}
const std::string kRequestBody = "Segment-Num:0\r\n";

bool ReceiveSome(platform::Socket& socket, std::string* into) {
    char buffer[4096];
    if (socket.WaitReadable(kWaitMs) != platform::WaitResult::kReady) {
        return false;
    }
    const long got = socket.Receive(buffer, sizeof buffer);
    if (got <= 0) {
        return false;
    }
    into->append(buffer, static_cast<size_t>(got));
    return true;
}

// One request and answer on a fresh connection, the answer read by its
// Content-Length.
bool PlainCall(uint16_t port, unsigned cseq) {
    platform::Socket socket = platform::Socket::Tcp();
    if (socket.Connect("127.0.0.1", port, kWaitMs) != platform::ConnectResult::kConnected) {
        return false;
    }
    const std::string header = RequestHeader(cseq);
    if (!socket.SendAll(header.data(), header.size(), kWaitMs) ||
        !socket.SendAll(kRequestBody.data(), kRequestBody.size(), kWaitMs)) {
        return false;
    }
    std::string answer;
    size_t end = std::string::npos;
    while ((end = answer.find("\r\n\r\n")) == std::string::npos) {
        if (answer.size() > 2047 || !ReceiveSome(socket, &answer)) {
            return false;
        }
    }
    const size_t field = answer.find("Content-Length:");
    if (field == std::string::npos || field > end) {
        return false;
    }
    const size_t total = end + 4 + std::stoul(answer.substr(field + 15));
    while (answer.size() < total) {
        if (!ReceiveSome(socket, &answer)) {
            return false;
        }
    }
    return true;
}

template <typename OneCall>
double CallsPerSecond(OneCall one_call) {
    unsigned calls = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(kSeconds);
    while (Clock::now() < end) {
        if (!one_call(calls + 1)) {
            return 0;
        }
        ++calls;
    }
    return calls / std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main() {
    sim::RecorderSim recorder;
    if (!recorder.Start()) {
        std::printf("config calls: simulator failed: %s\n", recorder.LastError().c_str());
        return 1;
    }
    const uint16_t port = recorder.MctpPort();
    QW_DVR_HANDLE device = QW_SRDK_Open_Device("127.0.0.1", port, "admin", "admin", nullptr);
    if (device == nullptr) {
        std::printf("config calls: open failed\n");
        return 1;
    }
    std::vector<double> ratios;
    double best_library = 0, best_plain = 0;
    for (int round = 0; round < kRounds; ++round) {
        const double plain = CallsPerSecond([&](unsigned cseq) { return PlainCall(port, cseq); });
        const double library = CallsPerSecond([&](unsigned) {
            QwDevCaps caps{};
            caps.channel_count = QW_MAX_CHANNELS;
            return QW_SRDK_DEV_GetDevCaps(device, &caps) == 0;
        });
        best_plain = std::max(best_plain, plain);
        best_library = std::max(best_library, library);
        if (plain > 0) {
            ratios.push_back(library / plain);
        }
        std::printf("  round %d: library %.0f calls/s, plain TCP %.0f calls/s\n", round + 1,
                    library, plain);
    }
    QW_DVR_NET_Close_Device(device);
    std::sort(ratios.begin(), ratios.end());
    const double median = ratios.empty() ? 0 : ratios[ratios.size() / 2];
    std::printf(
        "config call QW_SRDK_DEV_GetDevCaps: library %.0f calls/s, plain TCP %.0f calls/s, "
        "ratio %.2f (median of %d rounds)\n",
        best_library, best_plain, median, kRounds);
    return 0;
}
