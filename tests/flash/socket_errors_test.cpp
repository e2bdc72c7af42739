#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/socket.h"
#include "socket_errors.h"

namespace kestrel::flash {
namespace {

TEST(SocketErrors, CommonErrnoValuesReachTheirTexts) {
    EXPECT_EQ(SocketErrorCode(ECONNREFUSED), 10061u);
    EXPECT_EQ(SocketErrorCode(ETIMEDOUT), 10060u);
    EXPECT_EQ(SocketErrorCode(EADDRINUSE), 10048u);
    EXPECT_EQ(SocketErrorCode(ENETUNREACH), 10051u);
    EXPECT_EQ(SocketErrorCode(ECONNRESET), 10054u);
    EXPECT_STREQ(SocketErrorTextForErrno(ECONNREFUSED), "Socket connection refused");
    EXPECT_STREQ(SocketErrorTextForErrno(EADDRINUSE), "Socket address in use");
    EXPECT_STREQ(SocketErrorText(394), "Socket get not supported ");
    EXPECT_STREQ(SocketErrorText(40017), "Success");
}

TEST(SocketErrors, UnmappedValuesGiveTheUnknownText) {
    EXPECT_EQ(SocketErrorCode(EACCES), kSocketErrorUnknown);
    EXPECT_STREQ(SocketErrorTextForErrno(-1), "Socket unknown error");
    EXPECT_STREQ(SocketErrorText(10022), "Socket unknown error");
    EXPECT_STREQ(SocketErrorText(kSocketErrorUnknown), "Socket unknown error");
}

// The platform layer's last error must be what the mapping expects.
TEST(SocketErrors, RefusedLoopbackConnectIsReportedAsRefused) {
    platform::Socket listener = platform::Socket::Tcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    uint16_t port = listener.LocalPort();
    listener.Close();  // nothing listens on the port now

    platform::Socket socket = platform::Socket::Tcp();
    ASSERT_EQ(socket.Connect("127.0.0.1", port, 2000), platform::ConnectResult::kRefused);
    EXPECT_STREQ(SocketErrorTextForErrno(static_cast<int>(platform::LastSocketError())),
                 "Socket connection refused");
}

}  // namespace
}  // namespace kestrel::flash
