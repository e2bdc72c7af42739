// Configuration call benchmark: calls per second of QW_SRDK_DEV_GetDevCaps
// through the library (connect, request, answer, close, as every
// configuration call does) against the MCTP port of a simulated recorder in
// a process of its own, and, as the peer, a plain TCP client that sends the
// same request bytes in the same two writes to the same port and reads the
// answer by its Content-Length. Paired rounds (see paired_rounds.h) give the
// ratios.
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kestrel_net.h"
#include "kestrel_records.h"
#include "paired_rounds.h"
#include "platform/socket.h"
#include "recorder_process.h"

namespace bench = kestrel::bench;

namespace {

constexpr int kCallsPerRepetition = 100;
constexpr int kWaitMs = 5000;
constexpr double kGoal = 0.8;

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
bool PlainCall(const std::string& address, uint16_t port, unsigned cseq) {
    platform::Socket socket = platform::Socket::Tcp();
    if (socket.Connect(address, port, kWaitMs) != platform::ConnectResult::kConnected) {
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

// kCallsPerRepetition calls; the work is wrong when one failed.
template <typename OneCall>
std::optional<bench::Work> Calls(OneCall one_call) {
    static unsigned cseq = 0;
    const bench::Stopwatch stopwatch;
    for (int call = 0; call < kCallsPerRepetition; ++call) {
        if (!one_call(++cseq)) {
            return stopwatch.Stop(call, false);
        }
    }
    return stopwatch.Stop(kCallsPerRepetition);
}

// A recorder process and the library's device on it. Every round gets a
// fresh one on an address of its own: a round leaves thousands of connections
// in TIME_WAIT, and the next round on the same address would wait for ports.
class Target {
public:
    ~Target() { Close(); }

    bool Renew() {
        Close();
        static const int block = 1 + static_cast<int>(std::time(nullptr) % 250);
        bench::RecorderOptions options;
        options.address = "127.0." + std::to_string(block) + "." + std::to_string(2 + renewals_++);
        recorder_ = bench::RecorderProcess::Start("bench_config_call", options);
        if (!recorder_) {
            return false;
        }
        device_ = QW_SRDK_Open_Device(recorder_->Address().c_str(), recorder_->MctpPort(), "admin",
                                      "admin", nullptr);
        if (device_ == nullptr) {
            std::printf("config calls: open failed\n");
        }
        return device_ != nullptr;
    }
    QW_DVR_HANDLE Device() const { return device_; }
    const bench::RecorderProcess& Recorder() const { return *recorder_; }

private:
    void Close() {
        if (device_ != nullptr) {
            QW_DVR_NET_Close_Device(device_);
            device_ = nullptr;
        }
        recorder_.reset();
    }

    int renewals_ = 0;
    std::unique_ptr<bench::RecorderProcess> recorder_;
    QW_DVR_HANDLE device_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> served = bench::ServeRecorderIfAsked(argc, argv)) {
        return *served;
    }
    std::printf(
        "config call QW_SRDK_DEV_GetDevCaps against a recorder process (a fresh one on its own "
        "address every round), %d calls a repetition, %d paired rounds of at least %.0f s; "
        "peer: plain TCP request and answer\n",
        kCallsPerRepetition, bench::kPairs, bench::kRoundSeconds);
    Target target;
    bench::Comparison comparison;
    comparison.label = "GetDevCaps";
    comparison.unit = "calls/s";
    comparison.goal = bench::Goal{bench::Basis::kWall, kGoal};
    comparison.before_round = [&] { return target.Renew(); };
    const bench::PairedResult paired =
        bench::RunPaired(comparison,
                         {"library",
                          [&] {
                              return Calls([&](unsigned) {
                                  QwDevCaps caps{};
                                  caps.channel_count = QW_MAX_CHANNELS;
                                  return QW_SRDK_DEV_GetDevCaps(target.Device(), &caps) == 0;
                              });
                          }},
                         {"plain", [&] {
                              return Calls([&](unsigned cseq) {
                                  const bench::RecorderProcess& recorder = target.Recorder();
                                  return PlainCall(recorder.Address(), recorder.MctpPort(), cseq);
                              });
                          }});
    return paired.complete && paired.ok ? 0 : 1;
}
