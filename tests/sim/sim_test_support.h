// Helpers for the simulator tests: a raw protocol client on loopback, request
// blocks built byte by byte, and a media stream parser written from the byte
// layouts (not from the simulator's own builders), so the tests check the
// simulator against the format rather than against itself.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "sim/recorder_sim.h"

namespace sim_test {

using Bytes = std::vector<uint8_t>;

inline uint32_t LE32(std::span<const uint8_t> b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}
inline uint16_t LE16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
inline uint64_t LE64(std::span<const uint8_t> b, size_t at) {
    return LE32(b, at) | uint64_t{LE32(b, at + 4)} << 32;
}
inline void PutBE32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }
}
inline void PutLE32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline void PutText(Bytes& b, size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

// A 500-byte request block: BE marker 1, BE command, LE sequence, BE length.
inline Bytes RequestBlock(uint32_t command, uint32_t request_length, uint32_t sequence = 7) {
    Bytes block(500, 0);
    PutBE32(block, 0, 1);
    PutBE32(block, 4, command);
    PutLE32(block, 8, sequence);
    PutBE32(block, 16, request_length);
    return block;
}

inline Bytes IdentifyRequest() {
    Bytes block = RequestBlock(10, 28);
    PutLE32(block, 20, 1);
    return block;
}

inline Bytes LoginRequest(const std::string& user, const std::string& password) {
    Bytes block = RequestBlock(25, 84);
    PutText(block, 20, user);
    PutText(block, 52, password);
    return block;
}

inline Bytes LiveStartRequest(uint32_t channel_mask, uint32_t stream_number,
                              const std::string& user = "admin",
                              const std::string& password = "admin") {
    Bytes block = RequestBlock(3, 104);
    PutBE32(block, 20, 1);
    PutBE32(block, 24, 16);
    PutBE32(block, 28, channel_mask);
    PutBE32(block, 32, 1);
    PutBE32(block, 36, stream_number);
    PutText(block, 40, user);
    PutText(block, 72, password);
    return block;
}

inline Bytes StreamSoundRequest(uint32_t word1, uint32_t word2, uint32_t action) {
    Bytes block = RequestBlock(26, 84);
    PutLE32(block, 20, word1);
    PutLE32(block, 24, word2);
    PutLE32(block, 28, action);
    return block;
}

// A blocking client connection; every read is bounded by its time-out.
class Client {
public:
    explicit Client(uint16_t port, const std::string& ip = "127.0.0.1") {
        result_ = socket_.Connect(ip, port, 5000);
    }
    platform::ConnectResult ConnectResult() const { return result_; }
    bool Connected() const { return result_ == platform::ConnectResult::kConnected; }
    platform::Socket& Socket() { return socket_; }

    bool Send(const Bytes& bytes) { return socket_.SendAll(bytes.data(), bytes.size(), 5000); }

    // Up to n bytes; fewer when the peer closed or timeout_ms passed.
    Bytes Read(size_t n, int timeout_ms = 5000) {
        Bytes out;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 ||
                socket_.WaitReadable(static_cast<int>(left)) != platform::WaitResult::kReady) {
                break;
            }
            uint8_t piece[65536];
            const long got = socket_.Receive(piece, std::min(sizeof piece, n - out.size()));
            if (got <= 0) {
                closed_ = true;
                break;
            }
            out.insert(out.end(), piece, piece + got);
        }
        return out;
    }
    // True once the peer closed (reads and drops data until then).
    bool WaitClosed(int timeout_ms) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!closed_ && std::chrono::steady_clock::now() < deadline) {
            Read(1 << 20, 50);
        }
        return closed_;
    }
    bool PeerClosed() const { return closed_; }
    void Close() { socket_.Close(); }

private:
    platform::Socket socket_ = platform::Socket::Tcp();
    platform::ConnectResult result_;
    bool closed_ = false;
};

struct VideoRecord {
    uint8_t digit = 0, sub = 0;
    uint32_t payload_length = 0;
    uint16_t extension_length = 0;
    uint64_t pts = 0;
    Bytes extension, payload;
};
struct AudioRecord {
    uint8_t digit = 0, codec = 0;
    uint16_t block_size = 0, payload_length = 0;
    Bytes payload;
};
struct Record {
    std::optional<VideoRecord> video;
    std::optional<AudioRecord> audio;
};

// Takes records off the front of a byte stream (after the 512-byte header).
// Checks, as it goes, that each record has a known marker and that padding
// is zero up to the next multiple of 8.
class RecordReader {
public:
    void Append(const Bytes& bytes) { data_.insert(data_.end(), bytes.begin(), bytes.end()); }
    // Next whole record, or nullopt when more bytes are needed. Sets
    // Broken() (and fails the test) on bytes that are not a record.
    std::optional<Record> Next();
    bool Broken() const { return broken_; }

private:
    bool Take(size_t length, size_t padded, Record record, std::optional<Record>* out);
    Bytes data_;
    size_t position_ = 0;
    bool broken_ = false;
};

inline std::optional<Record> RecordReader::Next() {
    const std::span<const uint8_t> rest(data_.data() + position_, data_.size() - position_);
    if (broken_ || rest.size() < 8) {
        return std::nullopt;
    }
    const bool digit_ok = rest[0] >= 0x30 && rest[0] <= 0x40;
    std::optional<Record> out;
    if (digit_ok && (rest[1] == '0' || rest[1] == '1') && rest[2] == 'd' && rest[3] == 'c' &&
        std::string(rest.begin() + 4, rest.begin() + 8) == "H264") {
        if (rest.size() < 24) {
            return std::nullopt;
        }
        VideoRecord video;
        video.digit = rest[0];
        video.sub = rest[1];
        video.payload_length = LE32(rest, 8);
        video.extension_length = LE16(rest, 12);
        video.pts = LE64(rest, 16);
        const size_t length = 24 + size_t{video.extension_length} + video.payload_length;
        if (rest.size() < (length + 7) / 8 * 8) {
            return std::nullopt;
        }
        video.extension.assign(rest.begin() + 24, rest.begin() + 24 + video.extension_length);
        video.payload.assign(rest.begin() + 24 + video.extension_length,
                             rest.begin() + static_cast<std::ptrdiff_t>(length));
        Take(length, (length + 7) / 8 * 8, Record{video, std::nullopt}, &out);
        return out;
    }
    if (digit_ok && (rest[1] == '3' || rest[1] == '5') && rest[2] == 'w' && rest[3] == 'b') {
        AudioRecord audio;
        audio.digit = rest[0];
        audio.codec = rest[1];
        audio.block_size = LE16(rest, 4);
        audio.payload_length = LE16(rest, 6);
        const size_t length = 8 + size_t{audio.payload_length};
        if (rest.size() < (length + 7) / 8 * 8) {
            return std::nullopt;
        }
        audio.payload.assign(rest.begin() + 8, rest.begin() + static_cast<std::ptrdiff_t>(length));
        Take(length, (length + 7) / 8 * 8, Record{std::nullopt, audio}, &out);
        return out;
    }
    ADD_FAILURE() << "no record marker at stream offset " << position_;
    broken_ = true;
    return std::nullopt;
}

inline bool RecordReader::Take(size_t length, size_t padded, Record record,
                               std::optional<Record>* out) {
    for (size_t i = position_ + length; i < position_ + padded; ++i) {
        if (data_[i] != 0) {
            ADD_FAILURE() << "non-zero padding at stream offset " << i;
            broken_ = true;
            return false;
        }
    }
    position_ += padded;
    *out = std::move(record);
    return true;
}

// A started simulator; fails the test (fatally) when it does not start.
inline void StartOrFail(kestrel::sim::RecorderSim& sim) {
    ASSERT_TRUE(sim.Start()) << sim.LastError();
    ASSERT_NE(sim.CommandPort(), 0);
}

template <typename Condition>
bool WaitUntil(Condition condition, int limit_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

inline double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace sim_test
