// Fuzzes the MCTP transport's message reader through a real loopback TCP
// connection. Input: one byte choosing how much of the stream starts in the
// socket's leftover entry (as bytes read with an earlier message would),
// one byte choosing the size of the pieces the peer sends the rest in, then
// the byte stream itself. The peer sends everything and closes, so no wait
// ever runs out.
//
// Whatever the outcome, nothing may be lost or invented: on success the
// header, the body, what the leftover entry holds afterwards and what is
// still unread in the socket are, in this order, exactly the stream. On
// failure the outputs are untouched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_entry.h"
#include "kestrel_net_codes.h"
#include "platform/socket.h"
#include "qw_socket.h"
#include "qw_vscp_transfer.h"

namespace {

constexpr int kConnectTimeoutMs = 2000;
constexpr int kSendWaitMs = 2000;
// Data and the close are already in the socket when the reader waits.
constexpr MctpWaitTime kShortWait{0, 200000};
constexpr size_t kPieceUnit = 16;

// One loopback listener for the whole run.
platform::Socket& Listener() {
    static platform::Socket* listener = [] {
        platform::SocketsStartup();
        auto* socket = new platform::Socket(platform::Socket::Tcp());
        Check(socket->Bind("127.0.0.1", 0) && socket->Listen(16));
        return socket;
    }();
    return *listener;
}

// Everything still unread on socket, up to the peer's close.
std::string Drain(platform::Socket& socket) {
    std::string rest;
    char buffer[4096];
    while (socket.WaitReadable(1000) == platform::WaitResult::kReady) {
        const long got = socket.Receive(buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        rest.append(buffer, static_cast<size_t>(got));
    }
    return rest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    const size_t leftover =
        std::min({static_cast<size_t>(data[0]) * 8, kMctpLeftoverCapacity, stream.size()});
    const size_t piece = (static_cast<size_t>(data[1]) + 1) * kPieceUnit;

    platform::Socket& listener = Listener();
    platform::Socket reader = platform::Socket::Tcp();
    Check(reader.Connect("127.0.0.1", listener.LocalPort(), kConnectTimeoutMs) ==
          platform::ConnectResult::kConnected);
    platform::Socket peer = listener.Accept();
    Check(peer.IsOpen());
    for (size_t at = leftover; at < stream.size(); at += piece) {
        const size_t length = std::min(piece, stream.size() - at);
        Check(peer.SendAll(stream.data() + at, length, kSendWaitMs));
    }
    peer.Shutdown();

    Check(QW_SOCKET_RegisterLeftover(reader, kMctpLeftoverCapacity) == QW_NET_OK);
    Check(QW_SOCKET_PutLeftover(reader, stream.substr(0, leftover)) == QW_NET_OK);
    std::string header = "untouched";
    std::string body = "untouched";
    const int32_t code = QW_VSCP_Transfer_Receive(reader, kShortWait, &header, &body);
    std::string kept;
    Check(QW_SOCKET_TakeLeftover(reader, &kept) == QW_NET_OK);
    Check(QW_SOCKET_UnregisterLeftover(reader) == QW_NET_OK);

    if (code == QW_NET_OK) {
        Check(header.size() <= kMctpMaxHeaderLength && header.ends_with("\r\n\r\n"));
        Check(header.find("\r\n\r\n") == header.size() - 4);  // the first terminator
        Check(kept.size() <= kMctpLeftoverCapacity);
        Check(header + body + kept + Drain(reader) == stream);
    } else {
        Check(header == "untouched" && body == "untouched");
    }
    reader.Close();
    peer.Close();
    return 0;
}
