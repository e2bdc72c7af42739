// Positioned reads from a bounded byte source: what the header reader and
// the frame search work on. FileSource reads a file; MemoryInput a buffer
// (the fuzz target uses it, and a player may for a file already in memory).
//
// Threading: one thread at a time per object.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace kestrel::media {

class RandomAccessInput {
public:
    virtual ~RandomAccessInput() = default;
    // Bytes that may be read now.
    virtual uint64_t Size() const = 0;
    // Copies up to out.size() bytes from offset; returns the count, which is
    // short at Size() and 0 at or past it.
    virtual size_t ReadAt(uint64_t offset, std::span<uint8_t> out) = 0;
};

class MemoryInput : public RandomAccessInput {
public:
    explicit MemoryInput(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, std::span<uint8_t> out) override {
        if (offset >= bytes_.size()) {
            return 0;
        }
        const size_t n = std::min(out.size(), bytes_.size() - static_cast<size_t>(offset));
        if (n != 0) {
            std::memcpy(out.data(), bytes_.data() + offset, n);
        }
        return n;
    }

private:
    std::span<const uint8_t> bytes_;
};

}  // namespace kestrel::media
