// The MCTP socket: a TCP socket with the wait times that bound each send and
// receive on it.
//
// Threading: an MctpSocket is used by one thread at a time; nothing here
// holds a lock. Wait times are fixed when the socket is opened.
#ifndef KESTREL_QW_CSOCKET_H
#define KESTREL_QW_CSOCKET_H

#include <cstddef>
#include <cstdint>

#include "platform/socket.h"

// How long one wait for readability or writability may last. 0 seconds and
// 0 microseconds mean no limit: the call blocks until the socket is ready.
struct MctpWaitTime {
    int32_t seconds = 0;
    int32_t microseconds = 0;
};

// The MCTP client waits 5 seconds for every step of a call.
inline constexpr MctpWaitTime kMctpDefaultWait{5, 0};

// A connect never waits longer than this, whatever the wait times are; a
// refusal is reported as soon as it arrives.
inline constexpr int kMctpConnectTimeoutMs = 5000;

struct MctpSocket {
    platform::Socket socket;
    MctpWaitTime send_wait;
    MctpWaitTime receive_wait;
};

// The wait as a millisecond time-out for platform::Socket: -1 for no limit,
// microseconds rounded up so that a short wait does not become a poll.
int QW_CSOCKET_WaitMs(MctpWaitTime wait);

// Takes over existing, or creates a new TCP socket when existing is not
// open, and sets both wait times to wait (any earlier socket of sock is
// closed). 0; QW_MCTP_ERR_BAD_SETTINGS for a null sock, a negative wait or
// microseconds above 999999, or a socket that refuses the wait options
// (it is then closed); QW_VSCP_ERR_NO_MEMORY when no socket can be created.
int32_t QW_CSOCKET_Open(MctpSocket* sock, platform::Socket existing, MctpWaitTime wait);

// Connects to a dotted IPv4 address, bounded by kMctpConnectTimeoutMs.
// 0; QW_MCTP_ERR_BAD_SETTINGS for a null or closed socket, a null or
// non-dotted address or port 0; QW_NET_ERR_CONNECT when the peer refused, did
// not answer in time or the connect failed. The socket is closed after any
// failure.
int32_t QW_CSOCKET_Connect(MctpSocket* sock, const char* dotted_ip, uint16_t port);

// Sends all length bytes; before each piece waits up to the send wait for
// writability, and a piece the peer does not take in that time is cut short.
// 0; QW_TRANS_ERR_SEND_TIMEOUT when the socket did not become writable in
// time; QW_TRANS_ERR_SEND on a wait or send error; QW_MCTP_ERR_BAD_SETTINGS
// for a null sock, a closed socket, null data or length 0. After a failure
// an unknown part of the data has been sent.
int32_t QW_CSOCKET_Send(MctpSocket* sock, const void* data, size_t length);

// Closes the socket; harmless on a null or closed one.
void QW_CSOCKET_Close(MctpSocket* sock);

#endif  // KESTREL_QW_CSOCKET_H
