// Shutdown() from another thread must wake a thread blocked on the socket.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/socket.h"
#include "test_support.h"

namespace {

using platform::ConnectResult;
using platform::Socket;
using platform::WaitResult;
using platform_test::Stopwatch;

// Runs block on another thread, shuts socket down once it had time to block,
// and returns how long block took. The 20 s safety limits inside the blocking
// calls only keep a failing test from hanging.
double ShutdownWakes(Socket& socket, const std::function<void()>& block) {
    std::atomic<bool> started{false};
    Stopwatch watch;
    std::thread blocked([&] {
        started = true;
        block();
    });
    while (!started) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    socket.Shutdown();
    blocked.join();
    return watch.ElapsedMs();
}

struct TcpPair {
    TcpPair() {
        listener.Bind("127.0.0.1", 0);
        listener.Listen(4);
        EXPECT_EQ(client.Connect("127.0.0.1", listener.LocalPort(), 5000),
                  ConnectResult::kConnected);
        server = listener.Accept();
    }
    Socket listener = Socket::Tcp();
    Socket client = Socket::Tcp();
    Socket server;
};

Socket BoundUdp() {
    Socket socket = Socket::Udp();
    EXPECT_TRUE(socket.Bind("127.0.0.1", 0));
    EXPECT_TRUE(socket.SetTimeouts(0, 20000));
    return socket;
}

TEST(SocketShutdown, WakesWaitReadableOnTcp) {
    TcpPair pair;
    WaitResult result = WaitResult::kTimeout;
    const double took =
        ShutdownWakes(pair.client, [&] { result = pair.client.WaitReadable(20000); });
    EXPECT_EQ(result, WaitResult::kReady);
    EXPECT_LT(took, 10000);
    char byte;
    EXPECT_EQ(pair.client.Receive(&byte, 1), 0);
}

TEST(SocketShutdown, WakesReceiveOnTcp) {
    TcpPair pair;
    ASSERT_TRUE(pair.client.SetTimeouts(0, 20000));
    long got = -2;
    char byte;
    const double took = ShutdownWakes(pair.client, [&] { got = pair.client.Receive(&byte, 1); });
    EXPECT_EQ(got, 0);
    EXPECT_LT(took, 10000);
}

TEST(SocketShutdown, WakesWaitReadableOnUnconnectedUdp) {
    Socket socket = BoundUdp();
    WaitResult result = WaitResult::kTimeout;
    const double took = ShutdownWakes(socket, [&] { result = socket.WaitReadable(20000); });
    EXPECT_EQ(result, WaitResult::kReady);
    EXPECT_LT(took, 10000);
}

TEST(SocketShutdown, WakesReceiveFromOnUnconnectedUdp) {
    Socket socket = BoundUdp();
    long got = -2;
    char buffer[8];
    const double took =
        ShutdownWakes(socket, [&] { got = socket.ReceiveFrom(buffer, sizeof buffer); });
    EXPECT_EQ(got, 0);
    EXPECT_LT(took, 10000);
}

TEST(SocketShutdown, WakesAcceptOnAListener) {
    Socket listener = Socket::Tcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(4));
    ASSERT_TRUE(listener.SetTimeouts(0, 20000));  // bounds accept as well
    Socket accepted;
    const double took = ShutdownWakes(listener, [&] { accepted = listener.Accept(); });
    EXPECT_FALSE(accepted.IsOpen());
    EXPECT_LT(took, 10000);
}

}  // namespace
