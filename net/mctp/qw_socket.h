// Exact-length receive and the leftover store of the MCTP transport.
//
// A response may arrive in the same TCP segment as the first bytes of the
// next message. The store keeps, per socket, the bytes that were read beyond
// the current message, so that the next receive on that socket starts with
// them. Entries are keyed by the socket's native value and hold at most the
// capacity given at registration.
//
// Threading: the store is process-wide and guarded by one lock, held only
// while the list is searched or changed (never across a network wait), so
// any thread may use it. The entry of a socket belongs to the thread that
// uses the socket: register, receive and unregister from that thread, and
// unregister before closing the socket, or a later socket with the same
// native value would find the stale entry.
#ifndef KESTREL_QW_SOCKET_H
#define KESTREL_QW_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/socket.h"
#include "qw_csocket.h"

// One wait for readability as the receive functions report it: 0,
// QW_TRANS_ERR_TIMEOUT or QW_TRANS_ERR_RECEIVE.
int32_t QW_SOCKET_WaitReadable(platform::Socket& socket, int wait_ms);

// Receives exactly length bytes, waiting up to wait before each piece.
// 0 (also for length 0); QW_TRANS_ERR_TIMEOUT when a wait ends without data;
// QW_TRANS_ERR_RECEIVE on a wait or receive error or when the peer closed;
// QW_VSCP_ERR_BAD_ARGUMENT for a closed socket or a null buffer. After a
// failure the buffer holds an unknown part of the data.
int32_t QW_SOCKET_Recv(platform::Socket& socket, MctpWaitTime wait, void* buffer, size_t length);

// Creates the socket's empty entry. 0; QW_TRANS_ERR_REGISTERED when it has
// one already; QW_VSCP_ERR_BAD_ARGUMENT for a closed socket or capacity 0;
// QW_VSCP_ERR_NO_MEMORY.
int32_t QW_SOCKET_RegisterLeftover(const platform::Socket& socket, size_t capacity);

// Removes the entry and the bytes it held. 0; QW_TRANS_ERR_NOT_REGISTERED.
int32_t QW_SOCKET_UnregisterLeftover(const platform::Socket& socket);

// Appends every byte the entry holds to *out and empties the entry.
// 0; QW_TRANS_ERR_NOT_REGISTERED; QW_VSCP_ERR_BAD_ARGUMENT for a null out;
// QW_VSCP_ERR_NO_MEMORY (the entry is then unchanged).
int32_t QW_SOCKET_TakeLeftover(const platform::Socket& socket, std::string* out);

// Appends data to the entry. 0; QW_TRANS_ERR_LEFTOVER_FULL when data is
// longer than the entry's free capacity (nothing is appended);
// QW_TRANS_ERR_NOT_REGISTERED; QW_VSCP_ERR_NO_MEMORY.
int32_t QW_SOCKET_PutLeftover(const platform::Socket& socket, std::string_view data);

#endif  // KESTREL_QW_SOCKET_H
