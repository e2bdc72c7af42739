// Portable TCP/UDP sockets over IPv4.
//
// Threading: a Socket is used by one thread at a time, with one exception:
// Shutdown() may be called from another thread to wake a thread blocked in a
// wait, receive or accept on the same socket (TCP and UDP alike). The owner
// closes the socket only after that other thread is done with it: closing
// while another thread still holds the socket could hit a reused descriptor.
//
// Failures record their error for LastSocketError() in the calling thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Reference-counted start/stop of the socket layer (no-ops on POSIX, but the
// counts and results are kept so callers behave the same everywhere).
int SocketsStartup();  // 0 on success
int SocketsCleanup();  // 0 on success, also when not started

enum class WaitResult { kReady, kTimeout, kError };
enum class ConnectResult { kConnected, kRefused, kTimeout, kError };

// True when text is a dotted IPv4 address the platform parses (a.b.c.d).
bool IsDottedIPv4(const std::string& text);
// A port number written in decimal digits only, 1..65535.
bool ParsePortNumber(const std::string& text, uint16_t* port);
// Resolves a host name to its first IPv4 address in dotted form.
bool ResolveIPv4(const std::string& name, std::string* dotted);
// Last socket error of the calling thread, as the platform reports it.
uint32_t LastSocketError();

class Socket {
public:
    Socket() = default;
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    static Socket Tcp();
    static Socket Udp();

    bool IsOpen() const;
    intptr_t Native() const;  // for logs and as a key; -1 when closed

    // Non-blocking connect bounded by timeout_ms (negative: no limit), then
    // back to blocking mode. A refusal is reported as soon as the platform
    // sees it. Any result but kConnected closes the socket.
    ConnectResult Connect(const std::string& dotted_ip, uint16_t port, int timeout_ms);

    // Waits up to timeout_ms (negative: no limit). A socket whose peer closed
    // or that was shut down is readable (the receive then returns 0); kError
    // for a closed socket or a pending error with nothing to read.
    WaitResult WaitReadable(int timeout_ms);
    WaitResult WaitWritable(int timeout_ms);

    // One send/receive; returns bytes moved, 0 when the peer closed (receive),
    // or -1 on error.
    long Send(const void* data, size_t length);
    long Receive(void* buffer, size_t capacity);
    // Sends every byte, waiting up to wait_ms for writability before each
    // piece; false on time-out or error.
    bool SendAll(const void* data, size_t length, int wait_ms);

    // Server side (simulator, tests). An empty dotted_ip binds to every local
    // address; port 0 picks a free one (see LocalPort). TCP sockets are bound
    // with SO_REUSEADDR.
    bool Bind(const std::string& dotted_ip, uint16_t port);
    bool Listen(int backlog);
    Socket Accept(std::string* peer_ip = nullptr, uint16_t* peer_port = nullptr);
    uint16_t LocalPort() const;

    // UDP.
    bool SetBroadcast(bool on);
    bool SetReuseAddress(bool on);
    bool SetBufferSizes(int send_bytes, int receive_bytes);  // <= 0 leaves one as it is
    bool SetTimeouts(int send_ms, int receive_ms);  // SO_SNDTIMEO/SO_RCVTIMEO, <= 0: no limit
    long SendTo(const void* data, size_t length, const std::string& dotted_ip, uint16_t port);
    long ReceiveFrom(void* buffer, size_t capacity, std::string* from_ip = nullptr,
                     uint16_t* from_port = nullptr);

    // Ends both directions; wakes other threads waiting on this socket.
    void Shutdown();
    // Harmless on a closed socket.
    void Close();

private:
    explicit Socket(intptr_t fd) : fd_(fd) {}
    intptr_t fd_ = -1;
};

}  // namespace platform
