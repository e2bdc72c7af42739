// The 500-byte request block and the standard response, recorder side.
//
// Request: BE marker 1 at 0, BE command at 4 (low 8 bits count), LE sequence
// at 8, reserved at 12, BE request length (header included) at 16, body from
// 20, zero bytes up to 500. Standard response: LE total length at 0 (these 8
// bytes included), LE result at 4, payload after.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/observations.h"

namespace kestrel::sim {

constexpr size_t kCommandHeaderSize = 20;
constexpr size_t kStandardResponseHeaderSize = 8;
constexpr size_t kOversizedResponseSize = 600;
constexpr size_t kCredentialFieldSize = 32;

enum CommandCode : uint8_t {
    kCommandLiveStart = 3,
    kCommandIdentify = 10,
    kCommandReadConfig = 14,
    kCommandWriteConfig = 15,
    kCommandLogin = 25,
    kCommandStreamSound = 26,
};

using RequestBlock = std::array<uint8_t, kRequestBlockSize>;

struct Request {
    uint8_t command = 0;
    uint32_t sequence = 0;
    uint32_t request_length = 0;
    const RequestBlock* block = nullptr;

    uint32_t BodyBE32(size_t offset) const;
    uint32_t BodyLE32(size_t offset) const;
    // A NUL-padded text field; a field without NUL is all text.
    std::string TextField(size_t offset, size_t size) const;
    // True when the request length covers the body up to `end`.
    bool Covers(size_t end) const { return request_length >= end; }
};

// nullopt when the block is not a request: wrong marker, or a request
// length outside 20..500.
std::optional<Request> ParseRequest(const RequestBlock& block);

// A standard response of total_size bytes (at least 8 + payload size), the
// rest zero; the length field holds total_size.
std::vector<uint8_t> BuildStandardResponse(int32_t result, std::span<const uint8_t> payload,
                                           size_t total_size);

}  // namespace kestrel::sim
