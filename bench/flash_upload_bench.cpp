// Upgrade tool upload benchmark: a 16 MiB image through the tool's upload
// workers to simulated recorders on 127.0.0.2.. (in this process, ending each
// upload with UPLOAD_END so no simulated write phase is timed, and with no
// pause after the connect).
//   1. Twenty recorders at once against one alone: runs per second, so the
//      ratio is the single upload's wall time over the twenty's (goal: the
//      twenty take at most 1.3 times as long, ratio >= 0.77).
//   2. One upload worker against a plain loopback stop-and-wait exchange of
//      the same 1032-byte packets, both with the same plain acknowledging
//      server, so only the clients differ (goal: at least 0.8 of the plain
//      exchange's throughput).
// Paired rounds (see paired_rounds.h) give the ratios.
#include <cstdio>
#include <random>
#include <thread>

#include "flash_packet.h"
#include "paired_rounds.h"
#include "platform/socket.h"
#include "sim/flash_fleet.h"
#include "upgrade_fleet.h"

namespace bench = kestrel::bench;
namespace flash = kestrel::flash;
namespace sim = kestrel::sim;

namespace {

constexpr size_t kImageBytes = size_t{16} << 20;
constexpr int kFleetSize = 20;
constexpr double kParallelGoal = 1 / 1.3;
constexpr double kThroughputGoal = 0.8;
constexpr int kWaitMs = 300000;
const char kImageName[] = "Qw6100V100R003B010_V100001V100001V100001V100001V100001.sw";

std::shared_ptr<const flash::UpgradeImage> MakeImage() {
    auto image = std::make_shared<flash::UpgradeImage>();
    image->name = kImageName;
    image->bytes.resize(kImageBytes);
    std::mt19937 random(7);
    for (uint8_t& byte : image->bytes) {
        byte = static_cast<uint8_t>(random());
    }
    return image;
}

// One upload run to every address at once, on one upload port.
std::optional<bench::Work> UploadTo(const std::vector<std::string>& addresses, uint16_t port,
                                    const std::shared_ptr<const flash::UpgradeImage>& image) {
    flash::UpgradeOptions options;
    options.network.tcp_port = port;
    options.connected_pause_ms = 0;
    const int count = static_cast<int>(addresses.size());
    std::vector<flash::DeviceRow> rows(addresses.size());
    for (int i = 0; i < count; ++i) {
        rows[i].index = i;
        rows[i].ip = addresses[i];
        rows[i].permitted = rows[i].ticked = true;
    }
    flash::UpgradeFleet upgrade(options);
    upgrade.SetRows(std::move(rows));
    bench::Stopwatch stopwatch;
    if (upgrade.Start(image).started != count || !upgrade.WaitIdle(kWaitMs)) {
        return std::nullopt;
    }
    bench::Work work = stopwatch.Stop(1);
    for (const flash::DeviceRow& row : upgrade.Rows()) {
        work.ok = work.ok && row.state == "Upload succeeded" && row.progress == kImageBytes;
    }
    return work;
}

bool ReceivePacket(platform::Socket& socket, flash::PacketBytes* packet) {
    size_t have = 0;
    while (have < packet->size()) {
        const long got = socket.Receive(packet->data() + have, packet->size() - have);
        if (got <= 0) {
            return false;
        }
        have += static_cast<size_t>(got);
    }
    return true;
}

// Acknowledges every 1032-byte packet with status 0 and ends the exchange
// with UPLOAD_END once the announced size has arrived.
class PlainAcknowledger {
public:
    bool Start() {
        listener_ = platform::Socket::Tcp();
        if (!listener_.Bind("127.0.0.1", 0) || !listener_.Listen(4)) {
            return false;
        }
        thread_ = std::thread([this] { Serve(); });
        return true;
    }
    ~PlainAcknowledger() {
        stopping_ = true;
        listener_.Shutdown();
        thread_.join();
    }
    uint16_t Port() const { return listener_.LocalPort(); }

private:
    void Serve() {
        flash::PacketBytes reply{}, end{};
        flash::EncodePacket(flash::MakeStatusReply(flash::FlashCommand::kDataReply, 0), &reply);
        flash::EncodePacket(flash::MakeStatusReply(flash::FlashCommand::kUploadEnd, 0), &end);
        while (!stopping_) {
            platform::Socket peer = listener_.Accept();
            if (!peer.IsOpen()) {
                continue;
            }
            flash::PacketBytes packet{};
            uint64_t announced = 0, received = 0;
            while (ReceivePacket(peer, &packet)) {
                if (flash::ReadBE32(packet.data()) == 2000) {
                    announced = flash::ReadBE32(packet.data() + 8);
                } else {
                    received += flash::ReadBE32(packet.data() + 4);
                }
                bool ok = peer.Send(reply.data(), reply.size()) == long{reply.size()};
                if (ok && received == announced && announced > 0) {
                    ok = peer.Send(end.data(), end.size()) == long{end.size()};
                }
                if (!ok) {
                    break;
                }
            }
        }
    }

    platform::Socket listener_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

// The request, then every chunk, each sent once its predecessor is answered.
std::optional<bench::Work> PlainUpload(uint16_t port, const flash::UpgradeImage& image) {
    platform::Socket socket = platform::Socket::Tcp();
    if (socket.Connect("127.0.0.1", port, 5000) != platform::ConnectResult::kConnected) {
        return std::nullopt;
    }
    bench::Stopwatch stopwatch;
    flash::FlashPacket packet;
    flash::PacketBytes bytes{};
    flash::MakeUpgradeRequest(static_cast<uint32_t>(image.bytes.size()), image.name, &packet);
    flash::EncodePacket(packet, &bytes);
    bool ok = socket.SendAll(bytes.data(), bytes.size(), 5000) && ReceivePacket(socket, &bytes);
    for (size_t sent = 0; ok && sent < image.bytes.size(); sent += flash::kPayloadBytes) {
        const size_t chunk = std::min(image.bytes.size() - sent, flash::kPayloadBytes);
        flash::MakeDataChunk(image.bytes.data() + sent, chunk, &packet);
        flash::EncodePacket(packet, &bytes);
        ok = socket.SendAll(bytes.data(), bytes.size(), 5000) && ReceivePacket(socket, &bytes);
    }
    ok = ok && ReceivePacket(socket, &bytes) && flash::ReadBE32(bytes.data()) == 3002;
    return stopwatch.Stop(static_cast<double>(image.bytes.size()), ok);
}

}  // namespace

int main() {
    std::printf(
        "upgrade upload of a %zu MiB image to simulated recorders on loopback, %d paired rounds "
        "of at least %.0f s\n",
        kImageBytes >> 20, bench::kPairs, bench::kRoundSeconds);
    sim::FlashFleetConfig config;
    config.size = kFleetSize;
    config.recorder.keep_image = false;
    config.recorder.verdict = sim::FlashVerdict::kUploadEnd;
    sim::FlashFleet fleet(config);
    PlainAcknowledger plain;
    if (!fleet.Start() || !plain.Start()) {
        std::fprintf(stderr, "cannot start the recorders: %s\n", fleet.LastError().c_str());
        return 1;
    }
    const auto image = MakeImage();
    std::vector<std::string> fleet_addresses;
    for (int i = 0; i < kFleetSize; ++i) {
        fleet_addresses.push_back(fleet.Recorder(i).Config().address);
    }
    const std::vector<std::string> first_only(fleet_addresses.begin(), fleet_addresses.begin() + 1);

    bench::Comparison side_by_side;
    side_by_side.label = "20 recorders at once vs 1 alone";
    side_by_side.unit = "runs/s";
    side_by_side.goal = bench::Goal{bench::Basis::kWall, kParallelGoal};
    const bench::PairedResult parallel = bench::RunPaired(
        side_by_side,
        {"20 at once", [&] { return UploadTo(fleet_addresses, fleet.TcpPort(), image); }},
        {"1 alone", [&] { return UploadTo(first_only, fleet.TcpPort(), image); }});

    bench::Comparison throughput;
    throughput.label = "one upload vs plain stop-and-wait";
    throughput.unit = "MB/s";
    throughput.amount_per_unit = 1e6;
    throughput.goal = bench::Goal{bench::Basis::kWall, kThroughputGoal};
    const bench::PairedResult single = bench::RunPaired(
        throughput,
        {"upload worker",
         [&]() -> std::optional<bench::Work> {
             std::optional<bench::Work> work = UploadTo({"127.0.0.1"}, plain.Port(), image);
             if (work) {
                 work->amount = static_cast<double>(kImageBytes);
             }
             return work;
         }},
        {"plain", [&] { return PlainUpload(plain.Port(), *image); }});
    return parallel.complete && parallel.ok && single.complete && single.ok ? 0 : 1;
}
