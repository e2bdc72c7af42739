// One command link of the binary protocol: a TCP connection to the
// recorder's command port with connect time-out, send-all, single receives
// and the standard request/response exchange.
//
// Threading: used by one thread at a time. Shutdown() is the exception: it
// may be called from another thread to wake a receive in progress.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "command_block.h"
#include "platform/socket.h"

namespace kestrel::net {

// Every wait of the standard exchange, in seconds.
constexpr int kExchangeWaitSeconds = 5;
// Recorders of this type answer slowly: every receive waits 15 seconds.
constexpr int32_t kSlowAnswerType = 0x01000101;
constexpr int kSlowAnswerWaitSeconds = 15;

// The recorder's result word of a standard response.
int32_t ResponseResult(const RequestBlock& block);

class DvrConnection {
public:
    DvrConnection() = default;
    DvrConnection(const DvrConnection&) = delete;
    DvrConnection& operator=(const DvrConnection&) = delete;
    DvrConnection(DvrConnection&&) = default;
    DvrConnection& operator=(DvrConnection&&) = default;

    // Copies the host text; no network activity.
    void SetHost(const std::string& host, int port);
    void SetTypes(int32_t type, int32_t subtype);
    // Same host, port and type codes as other; no network activity.
    void CopyTarget(const DvrConnection& other);
    const std::string& Host() const { return host_; }
    int Port() const { return port_; }
    int32_t Type() const { return type_; }
    int32_t Subtype() const { return subtype_; }

    bool HasSocket() const { return socket_.IsOpen(); }
    // Connects within the library's connect time-out; a refusal is reported
    // at once. On failure no socket is left behind.
    bool Connect();
    bool SendAll(const void* data, size_t length);
    // Waits for readability (wait_seconds, or 15 s for slow recorders), then
    // one receive of up to *length bytes. true with *length = 0 when the peer
    // closed; false with *length = 0 on time-out or error.
    bool ReceiveOnce(void* buffer, size_t* length, int wait_seconds);
    // Shuts down both directions and forgets the socket.
    void Close();
    // Wakes a thread blocked in ReceiveOnce on this link.
    void Shutdown();

    // The standard request/response: optional connect, send the 500-byte
    // block, read the response back into it (first first_read bytes, then
    // the rest of the announced total). Returns 0 or the transport code; the
    // recorder's result word is then ResponseResult(*block). The caller
    // closes the link.
    int32_t Exchange(RequestBlock* block, int wait_seconds, bool connect_first,
                     size_t first_read = kStandardResponseHeader);
    // Reads one standard response into block: at most max_receives receives
    // in all (0: no limit, but three empty ones end it), each waiting
    // wait_seconds; never more than the announced total, so bytes that
    // follow the response stay in the socket.
    int32_t ReadResponse(RequestBlock* block, int wait_seconds, size_t first_read,
                         int max_receives);
    // On a connected long-lived link: sends the block and reads its standard
    // answer into it. Returns send_failure, the transport code or the
    // recorder's non-zero result; the link is closed on every failure.
    int32_t Request(RequestBlock* block, int max_receives, int32_t send_failure);

private:
    int EffectiveWaitSeconds(int wait_seconds) const;

    std::string host_;
    int port_ = 0;
    int32_t type_ = 0;
    int32_t subtype_ = 0;
    platform::Socket socket_;
};

}  // namespace kestrel::net
