// The identifier resolution service: a TCP server that answers a 72-byte
// lookup request (LE 50 at offset 0, the recorder identifier from offset 4,
// NUL-padded) with a 72-byte record of that recorder's address: LE 50 at 0,
// the identifier again from offset 4 (cut to 39 characters), the IPv4
// address at 44 (first byte = first number) and two LE 16-bit ports at 48
// (command port) and 50 (MCTP port); the other bytes are zero.
//
// An identifier missing from the table, or a request with another code, is
// closed without an answer, so the client sees "not found" rather than a
// record for address 0.0.0.0.
//
// Connections are served one at a time on the accept thread, each bounded:
// the request must arrive within request_timeout_ms, and a faulty answer
// (silent, short) holds the connection at most hold_ms, until the client
// leaves or the server stops.
//
// Threading: Start(), Stop() and the destructor from one controlling thread.
// The accept thread is owned here (started by Start(), joined by Stop(),
// which returns within a few hundred milliseconds). The observations may be
// read from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"

namespace kestrel::sim {

constexpr size_t kUidMessageBytes = 72;
constexpr uint32_t kUidLookupCode = 50;
constexpr size_t kUidAddressOffset = 44;
constexpr size_t kUidCommandPortOffset = 48;
constexpr size_t kUidMctpPortOffset = 50;

struct UidEntry {
    std::string identifier;  // matched exactly against the request's text
    std::array<uint8_t, 4> address{};
    uint16_t command_port = 0;
    uint16_t mctp_port = 0;
};

struct UidServerConfig {
    std::string bind_address = "127.0.0.1";  // must lie in 127.0.0.0/8
    uint16_t port = 0;                       // 0: an ephemeral port, see UidServer::Port()
    std::vector<UidEntry> entries;
    // Faults: read the request but never answer; or send only this many
    // bytes of the record. Either way the connection is then held.
    bool silent = false;
    std::optional<size_t> short_answer_bytes;
    int request_timeout_ms = 5000;
    int hold_ms = 20000;
};

class UidServer {
public:
    explicit UidServer(UidServerConfig config = {});
    ~UidServer();  // Stop()
    UidServer(const UidServer&) = delete;
    UidServer& operator=(const UidServer&) = delete;

    // false (with LastError()) for a bad configuration, a port that cannot
    // be bound, or while running.
    bool Start();
    // Harmless when not running; Start() may follow. Observations are kept.
    void Stop();
    bool Running() const { return accept_thread_.joinable(); }

    const std::string& Address() const { return config_.bind_address; }
    uint16_t Port() const { return port_; }  // the bound port; 0 before Start()
    const std::string& LastError() const { return last_error_; }

    // Complete requests with the lookup code, and their identifiers in order
    // of arrival (the first 1000).
    uint64_t Requests() const;
    std::vector<std::string> Identifiers() const;

    // The answer for an entry, as the server sends it.
    static std::array<uint8_t, kUidMessageBytes> BuildRecord(const UidEntry& entry);

private:
    void AcceptLoop();
    void Serve(platform::Socket& connection);
    bool ReadRequest(platform::Socket& connection, std::array<uint8_t, kUidMessageBytes>* request);
    void Hold(platform::Socket& connection);

    const UidServerConfig config_;
    platform::Socket listener_;  // accept thread uses it; Stop() may shut it down
    uint16_t port_ = 0;
    std::string last_error_;
    std::thread accept_thread_;
    std::atomic<bool> stopping_{false};

    mutable std::mutex mutex_;  // guards the observations below
    uint64_t requests_ = 0;
    std::vector<std::string> identifiers_;
};

}  // namespace kestrel::sim
