// Sending one MCTP request and reading one MCTP message off a socket.
//
// A message is a header block ended by "\r\n\r\n", at most
// kMctpMaxHeaderLength bytes with the terminator, then "Content-Length"
// bytes of body. Bytes read beyond the message go to the socket's leftover
// entry (qw_socket.h) and start the next message read on that socket.
//
// Threading: the functions hold no lock of their own and may run on several
// threads at once, each on its own socket.
#ifndef KESTREL_QW_VSCP_TRANSFER_H
#define KESTREL_QW_VSCP_TRANSFER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "qw_csocket.h"

// The header block must fit the codec's 2048-byte header buffer with its NUL.
inline constexpr size_t kMctpMaxHeaderLength = 2047;

// The largest body accepted. The biggest answer a configuration call expects
// is one 16 MiB record array; the rest leaves room for its HDP lines. A peer
// announcing more is refused before anything is allocated.
inline constexpr size_t kMctpMaxBodyLength = 16 * 1024 * 1024 + 64 * 1024;

// Capacity of the leftover entry of a request's socket.
inline constexpr size_t kMctpLeftoverCapacity = 1024;

// Reads one message from a socket registered in the leftover store, taking
// the entry's bytes first. On success *header_text holds the header block
// with its terminator and *body the body (std::string keeps a NUL after it);
// both belong to the caller. The body length is the first "Content-Length"
// in the header text, its value on the same line after the colon: decimal
// digits with surrounding spaces; no such text means an empty body.
//
// 0 or: QW_TRANS_ERR_NOT_REGISTERED; QW_TRANS_ERR_TIMEOUT (a wait ended
// without data); QW_TRANS_ERR_RECEIVE (wait or receive error, peer closed);
// QW_TRANS_ERR_HEADER_TOO_LONG; QW_TRANS_ERR_BAD_CONTENT_LENGTH (no colon on
// its line, or not a decimal number); QW_TRANS_ERR_BODY_TOO_LONG (above
// kMctpMaxBodyLength); QW_TRANS_ERR_LEFTOVER_FULL (bytes beyond the message
// do not fit the entry's free capacity); QW_VSCP_ERR_BAD_ARGUMENT (null
// output); QW_VSCP_ERR_NO_MEMORY. The outputs are unchanged on failure, and
// the socket's stream position is then unknown: close it.
int32_t QW_VSCP_Transfer_Receive(platform::Socket& socket, MctpWaitTime wait,
                                 std::string* header_text, std::string* body);

// One request on a fresh connection: connect to (dotted_ip, port), register
// the socket with kMctpLeftoverCapacity, send the header text and then the
// body (an empty body is not sent), read the answer with
// QW_VSCP_Transfer_Receive, unregister and close, whatever the outcome.
// Every wait lasts at most wait. A failed open or connect prints
// "Connect error :%d!\n" with the code to the standard output.
//
// 0 with the answer in *response_header and *response_body, or: the codes of
// QW_CSOCKET_Open, QW_CSOCKET_Connect (QW_NET_ERR_CONNECT when refused or not
// answered), QW_SOCKET_RegisterLeftover, QW_CSOCKET_Send and
// QW_VSCP_Transfer_Receive; QW_VSCP_ERR_BAD_ARGUMENT for a null output. The
// outputs are unchanged on failure.
int32_t QW_VSCP_Transfer_SendRequest(const char* dotted_ip, uint16_t port, MctpWaitTime wait,
                                     std::string_view header_text, std::string_view body,
                                     std::string* response_header, std::string* response_body);

#endif  // KESTREL_QW_VSCP_TRANSFER_H
