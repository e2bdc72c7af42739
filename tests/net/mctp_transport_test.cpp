// The MCTP socket layer over real loopback connections: messages assembled
// from any pieces, the leftover store, refusal of broken or hostile peers,
// and whole requests against recording peers.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "kestrel_net_codes.h"
#include "loopback_peer.h"
#include "qw_csocket.h"
#include "qw_socket.h"
#include "qw_vscp_dataproc_request.h"
#include "qw_vscp_transfer.h"

namespace {

using mctp_test::Bytewise;
using mctp_test::CutAt;
using mctp_test::kLoopback;
using mctp_test::kSlackMs;
using mctp_test::PeerScript;
using mctp_test::ResponseHeader;
using mctp_test::ScriptedPeer;

constexpr MctpWaitTime kWait{1, 0};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

struct Received {
    int32_t code;
    std::string header;
    std::string body;
};

// A connected MCTP socket registered in the leftover store.
class Client {
public:
    Client(uint16_t port, size_t capacity) {
        EXPECT_EQ(QW_CSOCKET_Open(&sock_, platform::Socket(), kWait), QW_NET_OK);
        EXPECT_EQ(QW_CSOCKET_Connect(&sock_, kLoopback, port), QW_NET_OK);
        EXPECT_EQ(QW_SOCKET_RegisterLeftover(sock_.socket, capacity), QW_NET_OK);
    }
    ~Client() { EXPECT_EQ(QW_SOCKET_UnregisterLeftover(sock_.socket), QW_NET_OK); }

    Received Receive() {
        Received r{0, "untouched", "untouched"};
        r.code = QW_VSCP_Transfer_Receive(sock_.socket, sock_.receive_wait, &r.header, &r.body);
        return r;
    }
    // What the entry holds, left in place.
    std::string Leftover() {
        std::string held;
        EXPECT_EQ(QW_SOCKET_TakeLeftover(sock_.socket, &held), QW_NET_OK);
        EXPECT_EQ(QW_SOCKET_PutLeftover(sock_.socket, held), QW_NET_OK);
        return held;
    }

private:
    MctpSocket sock_;
};

Received SendRequest(uint16_t port, const std::string& header, const std::string& body) {
    Received r{0, "untouched", "untouched"};
    r.code = QW_VSCP_Transfer_SendRequest(kLoopback, port, kWait, header, body, &r.header, &r.body);
    return r;
}

struct AssemblyCase {
    const char* name;
    std::string header;
    std::string body;
    enum { kBytewise, kSplitTerminator, kOneWrite } delivery;
    size_t capacity = kMctpLeftoverCapacity;
};

std::string PaddedHeader(size_t total) {
    const std::string frame = ResponseHeader("", "X-Pad:\r\n");
    return ResponseHeader("", "X-Pad:" + std::string(total - frame.size(), 'p') + "\r\n");
}

TEST(MctpTransferReceive, AssemblesMessagesWhateverTheirPieces) {
    const std::string binary("a\r\n\r\nb\0c", 8);
    const std::string large(70000, 'L');
    const AssemblyCase cases[] = {
        {"header and body byte by byte", ResponseHeader(binary), binary, AssemblyCase::kBytewise},
        {"terminator split", ResponseHeader("xyz"), "xyz", AssemblyCase::kSplitTerminator},
        {"no Content-Length", "MCTP/1.0 200 OK\r\nCSeq:3\r\n\r\n", "", AssemblyCase::kOneWrite},
        {"length after spaces", "MCTP/1.0 200 OK\r\nContent-Length:   7  \r\n\r\n", "1234567",
         AssemblyCase::kBytewise},
        {"header of exactly 2047 bytes", PaddedHeader(2047), "", AssemblyCase::kOneWrite},
        // Bytes read with the header count as body before the entry's capacity.
        {"body beyond the entry capacity in the header's write",
         ResponseHeader(std::string(900, 'b')), std::string(900, 'b'), AssemblyCase::kOneWrite, 16},
        {"body larger than any header read", ResponseHeader(large), large, AssemblyCase::kOneWrite},
    };
    for (const AssemblyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = c.header + c.body;
        PeerScript script;
        if (c.delivery == AssemblyCase::kBytewise) {
            script.pieces = Bytewise(message);
            script.gap_ms = 1;
        } else if (c.delivery == AssemblyCase::kSplitTerminator) {
            // Cut after "\r", after "\r\n" and after "\r\n\r" of the terminator.
            const size_t end = c.header.size();
            script.pieces = CutAt(message, {end - 3, end - 2, end - 1});
            script.gap_ms = 50;
        } else {
            script.pieces = {message};
        }
        ScriptedPeer peer(script);
        Client client(peer.port(), c.capacity);
        const Received r = client.Receive();
        ASSERT_EQ(r.code, QW_NET_OK);
        EXPECT_EQ(r.header, c.header);
        EXPECT_EQ(r.body, c.body);
        EXPECT_EQ(r.body.c_str()[r.body.size()], '\0');
        EXPECT_EQ(client.Leftover(), "");
    }
}

TEST(MctpTransferReceive, BytesBeyondTheMessageStartTheNextOne) {
    const std::string first = ResponseHeader("one") + "one";
    const std::string second = ResponseHeader("second body") + "second body";
    // How much of the second message rides in the first message's write.
    const size_t cuts[] = {5, second.find("\r\n\r\n") + 2, second.size() - 4, second.size()};
    for (size_t cut : cuts) {
        SCOPED_TRACE(cut);
        PeerScript script;
        script.pieces = {first + second.substr(0, cut)};
        if (cut < second.size()) {
            script.pieces.push_back(second.substr(cut));
        }
        script.gap_ms = 100;
        ScriptedPeer peer(script);
        Client client(peer.port(), kMctpLeftoverCapacity);

        Received r = client.Receive();
        ASSERT_EQ(r.code, QW_NET_OK);
        EXPECT_EQ(r.header + r.body, first);
        EXPECT_EQ(client.Leftover(), second.substr(0, cut));

        r = client.Receive();
        ASSERT_EQ(r.code, QW_NET_OK);
        EXPECT_EQ(r.header + r.body, second);
        EXPECT_EQ(client.Leftover(), "");
    }
}

struct RefusalCase {
    const char* name;
    std::string response;
    bool close_after;
    int32_t code;
    size_t capacity = kMctpLeftoverCapacity;
};

TEST(MctpTransferReceive, RefusesBrokenOrHostileResponses) {
    const std::string just_over = std::to_string(kMctpMaxBodyLength + 1);
    const RefusalCase cases[] = {
        {"header without end", "MCTP/1.0 200 OK\r\nX:" + std::string(3000, 'h'), false,
         QW_TRANS_ERR_HEADER_TOO_LONG},
        {"header of 2048 bytes", PaddedHeader(2048), false, QW_TRANS_ERR_HEADER_TOO_LONG},
        {"next message beyond the entry capacity", ResponseHeader("") + std::string(17, 'n'), false,
         QW_TRANS_ERR_LEFTOVER_FULL, 16},
        // The peer sends no body: refusing must not wait for one.
        {"body just above the limit", "MCTP/1.0 200 OK\r\nContent-Length:" + just_over + "\r\n\r\n",
         false, QW_TRANS_ERR_BODY_TOO_LONG},
        {"length beyond 64 bits",
         "MCTP/1.0 200 OK\r\nContent-Length:99999999999999999999999\r\n\r\n", false,
         QW_TRANS_ERR_BAD_CONTENT_LENGTH},
        {"empty length", "MCTP/1.0 200 OK\r\nContent-Length:\r\n\r\n", false,
         QW_TRANS_ERR_BAD_CONTENT_LENGTH},
        {"negative length", "MCTP/1.0 200 OK\r\nContent-Length: -3\r\n\r\n", false,
         QW_TRANS_ERR_BAD_CONTENT_LENGTH},
        {"length with trailing text", "MCTP/1.0 200 OK\r\nContent-Length: 12abc\r\n\r\n", false,
         QW_TRANS_ERR_BAD_CONTENT_LENGTH},
        {"colon only on the next line", "MCTP/1.0 200 OK\r\nContent-Length 2\r\nCSeq:1\r\n\r\nab",
         false, QW_TRANS_ERR_BAD_CONTENT_LENGTH},
        {"peer closes in the header", "MCTP/1.0 200 OK\r\nCSeq:1\r\n", true, QW_TRANS_ERR_RECEIVE},
        {"peer closes in the body", ResponseHeader("0123456789") + "01234", true,
         QW_TRANS_ERR_RECEIVE},
        {"silent peer", "", false, QW_TRANS_ERR_TIMEOUT},
        {"stalls in the body", ResponseHeader("0123456789") + "01234", false, QW_TRANS_ERR_TIMEOUT},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        PeerScript script;
        if (!c.response.empty()) {
            script.pieces = {c.response};
        }
        script.close_after = c.close_after;
        ScriptedPeer peer(script);
        Client client(peer.port(), c.capacity);
        const auto start = std::chrono::steady_clock::now();
        const Received r = client.Receive();
        EXPECT_LT(MsSince(start), 1000 + kSlackMs);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.header, "untouched");
        EXPECT_EQ(r.body, "untouched");
    }
}

TEST(MctpLeftoverStore, OneEntryPerSocket) {
    MctpSocket sock;
    ASSERT_EQ(QW_CSOCKET_Open(&sock, platform::Socket(), kWait), QW_NET_OK);
    Received r{0, "", ""};
    EXPECT_EQ(QW_VSCP_Transfer_Receive(sock.socket, kWait, &r.header, &r.body),
              QW_TRANS_ERR_NOT_REGISTERED);
    EXPECT_EQ(QW_SOCKET_UnregisterLeftover(sock.socket), QW_TRANS_ERR_NOT_REGISTERED);
    EXPECT_EQ(QW_SOCKET_RegisterLeftover(sock.socket, 0), QW_VSCP_ERR_BAD_ARGUMENT);
    EXPECT_EQ(QW_SOCKET_RegisterLeftover(platform::Socket(), 8), QW_VSCP_ERR_BAD_ARGUMENT);
    ASSERT_EQ(QW_SOCKET_RegisterLeftover(sock.socket, 8), QW_NET_OK);
    EXPECT_EQ(QW_SOCKET_RegisterLeftover(sock.socket, 8), QW_TRANS_ERR_REGISTERED);
    EXPECT_EQ(QW_SOCKET_UnregisterLeftover(sock.socket), QW_NET_OK);
    EXPECT_EQ(QW_SOCKET_UnregisterLeftover(sock.socket), QW_TRANS_ERR_NOT_REGISTERED);
}

TEST(MctpSocket, SendGivesUpWhenThePeerStopsReading) {
    platform::Socket listener = platform::Socket::Tcp();
    ASSERT_TRUE(listener.Bind(kLoopback, 0));
    ASSERT_TRUE(listener.Listen(1));
    MctpSocket sock;
    ASSERT_EQ(QW_CSOCKET_Open(&sock, platform::Socket(), kWait), QW_NET_OK);
    ASSERT_TRUE(sock.socket.SetBufferSizes(16384, 0));
    ASSERT_EQ(QW_CSOCKET_Connect(&sock, kLoopback, listener.LocalPort()), QW_NET_OK);
    platform::Socket silent = listener.Accept();
    ASSERT_TRUE(silent.SetBufferSizes(0, 16384));
    // Should the send hang, closing the peer's end with unread data resets
    // the connection and ends it, so the test fails instead of hanging.
    std::promise<void> done;
    std::thread watchdog([&silent, finished = done.get_future()] {
        if (finished.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            silent.Close();
        }
    });
    const std::string data(32 * 1024 * 1024, 'x');
    const auto start = std::chrono::steady_clock::now();
    // One large blocking send must not outlast the wait either.
    EXPECT_EQ(QW_CSOCKET_Send(&sock, data.data(), data.size()), QW_TRANS_ERR_SEND_TIMEOUT);
    EXPECT_LT(MsSince(start), 2 * 1000 + kSlackMs);
    done.set_value();
    watchdog.join();
}

TEST(MctpSendRequest, PeerGetsHeaderThenBodyAndTheAnswerComesBack) {
    const char selector[4] = {2, 0, 0, 0};
    const MctpArgBuffer args[] = {{selector, 4}, {"record", 6}};
    std::string request_header;
    std::string request_body;
    ASSERT_EQ(QW_VSCP_DataProc_BuildRequest("QW_SRDK_MEDIA_SetVideoAttr", 1, 16, args,
                                            &request_header, &request_body),
              QW_NET_OK);
    const std::string answer_body = "Segment-Num:0\r\n";
    const std::string answer_header = ResponseHeader(answer_body);

    PeerScript script;
    script.read_first = request_header.size() + request_body.size();
    script.pieces = Bytewise(answer_header + answer_body);
    script.gap_ms = 1;
    ScriptedPeer peer(script);
    const Received e = SendRequest(peer.port(), request_header, request_body);
    EXPECT_EQ(peer.Finish(), request_header + request_body);
    ASSERT_EQ(e.code, QW_NET_OK);
    EXPECT_EQ(e.header, answer_header);
    EXPECT_EQ(e.body, answer_body);
}

TEST(MctpSendRequest, FailuresReachTheCallerAndLeaveOutputsAlone) {
    // Peer closes before the answer's body is complete.
    const std::string request = "REMOTE F MCTP/1.0\r\nContent-Length:0\r\n\r\n";
    PeerScript script;
    script.read_first = request.size();
    script.pieces = {ResponseHeader("0123456789") + "0123"};
    script.close_after = true;
    ScriptedPeer closing(script);
    Received e = SendRequest(closing.port(), request, "");
    EXPECT_EQ(e.code, QW_TRANS_ERR_RECEIVE);
    EXPECT_EQ(e.header, "untouched");
    EXPECT_EQ(e.body, "untouched");

    // Nothing listens: the connect failure is printed and returned at once.
    platform::Socket holder = platform::Socket::Tcp();
    ASSERT_TRUE(holder.Bind(kLoopback, 0));
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    e = SendRequest(holder.LocalPort(), request, "");
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(e.code, QW_NET_ERR_CONNECT);
    EXPECT_EQ(printed, "Connect error :" + std::to_string(e.code) + "!\n");
    EXPECT_LT(MsSince(start), kSlackMs);
    EXPECT_EQ(e.header, "untouched");
}

TEST(MctpSendRequest, ConcurrentRequestsEachGetTheirOwnAnswer) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 3;
    std::vector<std::string> mismatches(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &mismatches] {
            for (int round = 0; round < kRounds; ++round) {
                const std::string tag = std::to_string(t) + "/" + std::to_string(round);
                const std::string request = "REMOTE F" + tag + " MCTP/1.0\r\n\r\n";
                PeerScript script;
                script.read_first = request.size();
                // Answer and the start of a next message in one write, so the
                // leftover entries of all threads are in use at once.
                script.pieces = {ResponseHeader(tag) + tag + "MCTP/1.0"};
                ScriptedPeer peer(script);
                const Received e = SendRequest(peer.port(), request, "");
                if (e.code != QW_NET_OK || e.body != tag || peer.Finish() != request) {
                    mismatches[t] += tag + " ";
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const std::string& m : mismatches) {
        EXPECT_EQ(m, "");
    }
}

}  // namespace
