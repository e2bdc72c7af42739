// The recorder's side of the UDP discovery: answers every search request
// (06 04 04 00) with a 48-byte datagram that carries the recorder's 4 info
// bytes at offset 17 and its 6 hardware-address bytes at offset 32.
//
// It binds the loopback broadcast address by default, with address reuse, so
// several responders on one port all receive a search sent to
// 127.255.255.255 (Linux delivers that on the loopback interface; responders
// bound to distinct unicast addresses would not see it). Answers go to the
// sender, and only to senders in 127.0.0.0/8.
//
// Threading: Start(), Stop() and the destructor from one controlling thread.
// The receive thread is owned here: started by Start(), joined by Stop(),
// which wakes it at once. The counters may be read from any thread.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/socket.h"

namespace kestrel::sim {

constexpr size_t kDiscoveryAnswerBytes = 48;
constexpr size_t kDiscoveryInfoOffset = 17;
constexpr size_t kDiscoveryMacOffset = 32;

struct DiscoveryResponderConfig {
    std::string bind_address = "127.255.255.255";  // must lie in 127.0.0.0/8
    uint16_t port = 0;  // 0: an ephemeral port, see DiscoveryResponder::Port()
    std::array<uint8_t, 4> info{};
    std::array<uint8_t, 6> mac{};
    // Length of each answer, 1..1024: the 48-byte answer cut short or padded
    // with zeros, to test the client's length check (47, 49).
    size_t answer_length = kDiscoveryAnswerBytes;
    bool silent = false;  // count requests, never answer
};

class DiscoveryResponder {
public:
    explicit DiscoveryResponder(DiscoveryResponderConfig config = {});
    ~DiscoveryResponder();  // Stop()
    DiscoveryResponder(const DiscoveryResponder&) = delete;
    DiscoveryResponder& operator=(const DiscoveryResponder&) = delete;

    // false (with LastError()) for a bad configuration, a port that cannot
    // be bound, or while running.
    bool Start();
    // Harmless when not running; Start() may follow. Counters are kept.
    void Stop();
    bool Running() const { return receiver_.joinable(); }

    const DiscoveryResponderConfig& Config() const { return config_; }
    uint16_t Port() const { return port_; }  // the bound port; 0 before Start()
    const std::string& LastError() const { return last_error_; }

    uint64_t Requests() const { return requests_; }  // search requests received
    uint64_t Answers() const { return answers_; }    // answers sent
    uint64_t Ignored() const { return ignored_; }    // other datagrams

private:
    void ReceiveLoop();

    const DiscoveryResponderConfig config_;
    std::array<uint8_t, 1024> answer_{};  // built by Start(), read by the thread
    platform::Socket socket_;             // the thread's; Stop() may shut it down
    uint16_t port_ = 0;
    std::string last_error_;
    std::thread receiver_;
    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> requests_{0};
    std::atomic<uint64_t> answers_{0};
    std::atomic<uint64_t> ignored_{0};
};

}  // namespace kestrel::sim
