#include <gtest/gtest.h>

#include <cerrno>

#include "platform/socket.h"
#include "socket_errors.h"

namespace kestrel::flash {
namespace {

TEST(SocketErrors, ErrnoValuesReachTheTableTexts) {
    const struct {
        int posix_error;
        const char* text;
    } cases[] = {
        {ECONNREFUSED, "Socket connection refused"},
        {ETIMEDOUT, "Socket timed out"},
        {EADDRINUSE, "Socket address in use"},
        {ENETUNREACH, "Socket unreachable"},
        {ECONNRESET, "Socket Connection reset"},
        {EACCES, "Socket unknown error"},
        {-1, "Socket unknown error"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(SocketErrorTextForErrno(c.posix_error), c.text) << c.posix_error;
    }
    EXPECT_EQ(SocketErrorCode(ECONNREFUSED), 10061u);
    EXPECT_STREQ(SocketErrorText(394), "Socket get not supported ");
    EXPECT_STREQ(SocketErrorText(10022), "Socket unknown error");
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
