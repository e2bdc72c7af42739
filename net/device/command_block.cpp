#include "command_block.h"

#include <atomic>
#include <cstring>

namespace kestrel::net {

namespace {
constexpr uint32_t kLastSequenceNumber = 10000;
std::atomic<uint32_t> g_sequence{0};
}  // namespace

uint32_t NextSequenceNumber() {
    uint32_t current = g_sequence.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = current >= kLastSequenceNumber ? 0 : current + 1;
    } while (!g_sequence.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return current;
}

uint32_t ReadLE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint32_t ReadBE32(const uint8_t* p) {
    return static_cast<uint32_t>(p[3]) | static_cast<uint32_t>(p[2]) << 8 |
           static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[0]) << 24;
}

void WriteLE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

void WriteBE32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[3 - i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

RequestBlock::RequestBlock(uint8_t command, uint32_t request_length) {
    PutBE32(0, 1);
    PutBE32(4, command);
    // The sequence number travels in host order, unlike the rest of the header.
    uint32_t sequence = NextSequenceNumber();
    std::memcpy(bytes_.data() + 8, &sequence, sizeof sequence);
    PutBE32(16, request_length);
}

void RequestBlock::PutBE32(size_t offset, uint32_t value) {
    WriteBE32(bytes_.data() + offset, value);
}
void RequestBlock::PutLE32(size_t offset, uint32_t value) {
    WriteLE32(bytes_.data() + offset, value);
}
uint32_t RequestBlock::GetLE32(size_t offset) const {
    return ReadLE32(bytes_.data() + offset);
}

void RequestBlock::PutText(size_t offset, size_t field_size, const char* text) {
    std::memset(bytes_.data() + offset, 0, field_size);
    if (text != nullptr) {
        std::memcpy(bytes_.data() + offset, text, strnlen(text, field_size));
    }
}

}  // namespace kestrel::net
