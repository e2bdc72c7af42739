// Connect, wait and transfer behaviour of platform::Socket over loopback.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "test_support.h"

namespace {

using platform::ConnectResult;
using platform::Socket;
using platform::WaitResult;
using platform_test::kSlack;
using platform_test::Stopwatch;

constexpr const char* kLoopback = "127.0.0.1";

Socket Listener(int backlog = 8) {
    Socket listener = Socket::Tcp();
    EXPECT_TRUE(listener.Bind(kLoopback, 0));
    EXPECT_TRUE(listener.Listen(backlog));
    return listener;
}

struct Pair {
    Socket client;
    Socket server;
};

Pair ConnectedPair() {
    Socket listener = Listener();
    Pair pair{Socket::Tcp(), Socket()};
    EXPECT_EQ(pair.client.Connect(kLoopback, listener.LocalPort(), 5000),
              ConnectResult::kConnected);
    pair.server = listener.Accept();
    EXPECT_TRUE(pair.server.IsOpen());
    return pair;
}

TEST(SocketConnect, ClosedLoopbackPortIsRefusedAtOnceAndClosesTheSocket) {
    // Bound but not listening: the port is ours and certain to refuse.
    Socket holder = Socket::Tcp();
    ASSERT_TRUE(holder.Bind(kLoopback, 0));
    Socket client = Socket::Tcp();
    Stopwatch watch;
    EXPECT_EQ(client.Connect(kLoopback, holder.LocalPort(), 10000), ConnectResult::kRefused);
    EXPECT_LT(watch.ElapsedMs(), 5000);  // well before the 10 s bound
    EXPECT_EQ(platform::LastSocketError(), static_cast<uint32_t>(ECONNREFUSED));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(client.Native(), -1);
}

TEST(SocketConnect, TimesOutWhenTheListenQueueIsFull) {
    // Backlog 0 admits one connection that is never accepted; Linux then drops
    // further SYNs, so a connect can only wait.
    Socket listener = Listener(0);
    std::vector<Socket> queued;
    bool queue_full = false;
    for (int i = 0; i < 8 && !queue_full; ++i) {
        Socket client = Socket::Tcp();
        const ConnectResult result = client.Connect(kLoopback, listener.LocalPort(), 300);
        ASSERT_NE(result, ConnectResult::kError);
        queue_full = result == ConnectResult::kTimeout;
        queued.push_back(std::move(client));
    }
    if (!queue_full) {
        GTEST_SKIP() << "the kernel accepted 8 connections into a backlog-0 queue";
    }
    Socket client = Socket::Tcp();
    Stopwatch watch;
    EXPECT_EQ(client.Connect(kLoopback, listener.LocalPort(), 400), ConnectResult::kTimeout);
    EXPECT_GE(watch.ElapsedMs(), 399);
    EXPECT_LT(watch.ElapsedMs(), 400 + kSlack);
    EXPECT_FALSE(client.IsOpen());
}

TEST(SocketConnect, ConnectedSocketIsBlockingAgain) {
    Pair pair = ConnectedPair();
    ASSERT_TRUE(pair.client.SetTimeouts(0, 300));
    char byte;
    Stopwatch watch;
    // A socket left non-blocking would fail at once instead of waiting.
    EXPECT_EQ(pair.client.Receive(&byte, 1), -1);
    EXPECT_GE(watch.ElapsedMs(), 250);
}

TEST(SocketWait, SilentConnectionTimesOutWithinItsBound) {
    Pair pair = ConnectedPair();
    Stopwatch watch;
    EXPECT_EQ(pair.client.WaitReadable(200), WaitResult::kTimeout);
    EXPECT_GE(watch.ElapsedMs(), 199);
    EXPECT_LT(watch.ElapsedMs(), 200 + kSlack);
    EXPECT_EQ(pair.client.WaitWritable(200), WaitResult::kReady);
}

TEST(SocketWait, PeerCloseIsReadableAndReceivesZero) {
    Pair pair = ConnectedPair();
    pair.server.Close();
    EXPECT_EQ(pair.client.WaitReadable(5000), WaitResult::kReady);
    char byte;
    EXPECT_EQ(pair.client.Receive(&byte, 1), 0);
}

TEST(SocketWait, ClosedSocketIsAnErrorAndClosingTwiceIsHarmless) {
    Socket socket = Socket::Tcp();
    Socket moved = std::move(socket);
    EXPECT_FALSE(socket.IsOpen());
    moved.Close();
    moved.Close();
    EXPECT_EQ(moved.WaitReadable(100), WaitResult::kError);
    EXPECT_EQ(moved.WaitWritable(100), WaitResult::kError);
    EXPECT_EQ(moved.Send("x", 1), -1);
}

TEST(SocketTransfer, SendAllOfSeveralMegabytesArrivesIntact) {
    Pair pair = ConnectedPair();
    // Small buffers force many partial sends.
    ASSERT_TRUE(pair.client.SetBufferSizes(16384, 0));
    ASSERT_TRUE(pair.server.SetBufferSizes(0, 16384));
    std::vector<unsigned char> sent(6 * 1024 * 1024 + 13);
    uint32_t seed = 12345;
    for (auto& byte : sent) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(seed >> 24);
    }
    std::vector<unsigned char> received;
    std::thread reader([&] {
        std::vector<unsigned char> buffer(65536);
        for (;;) {
            if (pair.server.WaitReadable(20000) != WaitResult::kReady) {
                return;
            }
            const long got = pair.server.Receive(buffer.data(), buffer.size());
            if (got <= 0) {
                return;
            }
            received.insert(received.end(), buffer.begin(), buffer.begin() + got);
        }
    });
    EXPECT_TRUE(pair.client.SendAll(sent.data(), sent.size(), 20000));
    pair.client.Shutdown();
    reader.join();
    EXPECT_EQ(received.size(), sent.size());
    EXPECT_TRUE(received == sent);
}

TEST(SocketTransfer, SendAllGivesUpWhenThePeerStopsReading) {
    Pair pair = ConnectedPair();
    ASSERT_TRUE(pair.client.SetBufferSizes(16384, 0));
    ASSERT_TRUE(pair.server.SetBufferSizes(0, 16384));
    // The send time-out only ends the test if SendAll blocks inside a send.
    ASSERT_TRUE(pair.client.SetTimeouts(10000, 0));
    const std::vector<char> data(32 * 1024 * 1024, 'x');
    Stopwatch watch;
    // Must not block inside one large send once both buffers are full.
    EXPECT_FALSE(pair.client.SendAll(data.data(), data.size(), 300));
    EXPECT_LT(watch.ElapsedMs(), 300 + kSlack);
}

TEST(SocketUdp, DatagramsCarryTheSendersAddress) {
    Socket receiver = Socket::Udp();
    ASSERT_TRUE(receiver.Bind(kLoopback, 0));
    Socket sender = Socket::Udp();
    ASSERT_TRUE(sender.Bind(kLoopback, 0));
    ASSERT_EQ(sender.SendTo("hello", 5, kLoopback, receiver.LocalPort()), 5);
    ASSERT_EQ(receiver.WaitReadable(5000), WaitResult::kReady);
    char buffer[16];
    std::string from_ip;
    uint16_t from_port = 0;
    ASSERT_EQ(receiver.ReceiveFrom(buffer, sizeof buffer, &from_ip, &from_port), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(from_ip, kLoopback);
    EXPECT_EQ(from_port, sender.LocalPort());
    // An empty destination is refused rather than taken as this host.
    EXPECT_EQ(sender.SendTo("x", 1, "", receiver.LocalPort()), -1);
}

TEST(SocketUdp, LoopbackBroadcastNeedsTheBroadcastOption) {
    Socket receiver = Socket::Udp();
    ASSERT_TRUE(receiver.Bind("", 0));
    Socket sender = Socket::Udp();
    EXPECT_EQ(sender.SendTo("a", 1, "127.255.255.255", receiver.LocalPort()), -1);
    EXPECT_EQ(platform::LastSocketError(), static_cast<uint32_t>(EACCES));
    ASSERT_TRUE(sender.SetBroadcast(true));
    ASSERT_EQ(sender.SendTo("b", 1, "127.255.255.255", receiver.LocalPort()), 1);
    ASSERT_EQ(receiver.WaitReadable(5000), WaitResult::kReady);
    char byte = 0;
    EXPECT_EQ(receiver.ReceiveFrom(&byte, 1), 1);
    EXPECT_EQ(byte, 'b');
}

}  // namespace
