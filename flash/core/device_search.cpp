#include "device_search.h"

#include <array>
#include <chrono>

#include "flash_packet.h"
#include "platform/socket.h"
#include "socket_errors.h"

namespace kestrel::flash {

const char kSearchingText[] = "Searching device ...";
const char kNothingFoundMessage[] =
    "Device search failed, Please review net connections or whether pc and device is the same "
    "network segment !";

namespace {

// Waits are cut into slices so that a cancel is seen quickly.
constexpr int kCancelSliceMs = 100;

std::string SocketMessage(const char* what) {
    const int error = static_cast<int>(platform::LastSocketError());
    return std::string(what) + ", " + SocketErrorTextForErrno(error) + "\n";
}

bool Cancelled(const std::atomic<bool>* cancel) {
    return cancel != nullptr && cancel->load();
}

// Waits for a datagram until the silence ends the search.
platform::WaitResult WaitForReply(platform::Socket& socket, const std::atomic<bool>* cancel) {
    for (int waited = 0; waited < kSearchSilenceMs && !Cancelled(cancel);
         waited += kCancelSliceMs) {
        const platform::WaitResult ready = socket.WaitReadable(kCancelSliceMs);
        if (ready != platform::WaitResult::kTimeout) {
            return ready;
        }
    }
    return platform::WaitResult::kTimeout;
}

}  // namespace

std::string SearchStateText(size_t found) {
    return "Search [" + std::to_string(found) + "] devices";
}

SearchReport SearchDevices(const std::string& host_ip, std::string_view image_name,
                           const FlashNetwork& network, const std::atomic<bool>* cancel) {
    SearchReport report;
    report.outcome = SearchOutcome::kSocketFailed;
    platform::Socket socket = platform::Socket::Udp();
    if (!socket.IsOpen()) {
        report.message = SocketMessage("Creat socket fail!");
        return report;
    }
    if (!socket.SetBroadcast(true) || !socket.Bind(host_ip, network.udp_port)) {
        report.message = SocketMessage("socket bind failed");
        return report;
    }
    PacketBytes request{};
    EncodePacket(MakeSearchRequest(), &request);
    if (socket.SendTo(request.data(), request.size(), network.broadcast_address,
                      network.udp_port) != static_cast<long>(request.size())) {
        report.message = SocketMessage("Socket broadcast failed");
        return report;
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kMaxSearchMs);
    // One byte more than a packet, so that a longer datagram is seen as such.
    std::array<uint8_t, kPacketBytes + 1> datagram{};
    while (report.rows.size() < kMaxSearchRows && std::chrono::steady_clock::now() < deadline) {
        if (WaitForReply(socket, cancel) != platform::WaitResult::kReady) {
            break;
        }
        const long got = socket.ReceiveFrom(datagram.data(), datagram.size());
        if (got < 0 || AddSearchDatagram(datagram.data(), static_cast<size_t>(got), image_name,
                                         &report.rows) == SearchStep::kEnd) {
            break;
        }
    }
    if (report.rows.empty()) {
        report.outcome = SearchOutcome::kNothingFound;
        report.message = kNothingFoundMessage;
    } else {
        report.outcome = SearchOutcome::kFound;
    }
    return report;
}

}  // namespace kestrel::flash
