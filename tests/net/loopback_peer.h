// A scripted TCP peer on 127.0.0.1 for the MCTP transport tests: it accepts
// one connection, reads the bytes it is told to expect, writes the given
// pieces with a pause before each, and then closes or stays until the
// client leaves. Every wait is bounded, so a broken test cannot hang it.
#ifndef KESTREL_TESTS_LOOPBACK_PEER_H
#define KESTREL_TESTS_LOOPBACK_PEER_H

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/socket.h"

namespace mctp_test {

constexpr const char* kLoopback = "127.0.0.1";

// Generous upper bound for "soon" on a slow, loaded machine.
constexpr double kSlackMs = 2000;

struct PeerScript {
    std::vector<std::string> pieces;  // written in this order
    int gap_ms = 0;                   // pause before each piece
    size_t read_first = 0;            // bytes to read before writing anything
    bool close_after = false;         // close once written, else stay
};

class ScriptedPeer {
public:
    explicit ScriptedPeer(PeerScript script) : script_(std::move(script)) {
        listener_ = platform::Socket::Tcp();
        EXPECT_TRUE(listener_.Bind(kLoopback, 0));
        EXPECT_TRUE(listener_.Listen(4));
        port_ = listener_.LocalPort();
        thread_ = std::thread([this] { Run(); });
    }
    ~ScriptedPeer() { Finish(); }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    uint16_t port() const { return port_; }

    // Stops the peer and returns the bytes it read before writing.
    std::string Finish() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return received_;
    }

private:
    using Clock = std::chrono::steady_clock;

    void Run() {
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        while (listener_.WaitReadable(20) != platform::WaitResult::kReady) {
            if (stop_ || Clock::now() >= deadline) {
                return;
            }
        }
        platform::Socket connection = listener_.Accept();
        char buffer[4096];
        while (received_.size() < script_.read_first && !stop_ && Clock::now() < deadline) {
            if (connection.WaitReadable(20) != platform::WaitResult::kReady) {
                continue;
            }
            const long got = connection.Receive(buffer, sizeof buffer);
            if (got <= 0) {
                return;
            }
            received_.append(buffer, static_cast<size_t>(got));
        }
        for (const std::string& piece : script_.pieces) {
            std::this_thread::sleep_for(std::chrono::milliseconds(script_.gap_ms));
            if (!connection.SendAll(piece.data(), piece.size(), 5000)) {
                return;
            }
        }
        if (script_.close_after) {
            return;
        }
        while (!stop_ && Clock::now() < deadline) {
            if (connection.WaitReadable(20) == platform::WaitResult::kReady &&
                connection.Receive(buffer, sizeof buffer) <= 0) {
                return;
            }
        }
    }

    PeerScript script_;
    platform::Socket listener_;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::string received_;  // written by the peer thread until Finish joins it
    std::thread thread_;
};

// "MCTP/1.0 200 OK" with a Content-Length that fits body.
inline std::string ResponseHeader(const std::string& body, const std::string& fields = "") {
    return "MCTP/1.0 200 OK\r\nReturn-Code:0\r\n" + fields +
           "Content-Length:" + std::to_string(body.size()) + "\r\n\r\n";
}

// The text cut before each of the given offsets (ascending).
inline std::vector<std::string> CutAt(const std::string& text, std::vector<size_t> offsets) {
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t at : offsets) {
        pieces.push_back(text.substr(from, at - from));
        from = at;
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

inline std::vector<std::string> Bytewise(const std::string& text) {
    std::vector<std::string> pieces;
    for (char c : text) {
        pieces.emplace_back(1, c);
    }
    return pieces;
}

}  // namespace mctp_test

#endif  // KESTREL_TESTS_LOOPBACK_PEER_H
