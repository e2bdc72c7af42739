// Decoded sound waiting for the wave output: a 2 MiB byte ring, allocated
// once. A block that does not fit is dropped whole (the newest audio goes,
// never a part of a block); the output takes whole buffers only.
//
// Threading: Write runs on the input thread, Take on the audio device's
// thread, Clear on control threads; one lock guards the ring.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

namespace kestrel::media {

constexpr size_t kPcmRingBytes = 2048 * 1024;

class PcmRing {
public:
    static std::unique_ptr<PcmRing> Create();  // nullptr when out of memory

    bool Write(std::span<const uint8_t> bytes);
    // Copies exactly out.size() bytes out and removes them; false (nothing
    // taken) when fewer are buffered.
    bool Take(std::span<uint8_t> out);
    size_t Buffered() const;
    // Empties the ring and zeroes it.
    void Clear();

    PcmRing(const PcmRing&) = delete;
    PcmRing& operator=(const PcmRing&) = delete;

private:
    explicit PcmRing(std::unique_ptr<uint8_t[]> bytes) : bytes_(std::move(bytes)) {}

    mutable std::mutex mutex_;
    // All below guarded by mutex_.
    std::unique_ptr<uint8_t[]> bytes_;
    size_t read_ = 0;
    size_t used_ = 0;
};

}  // namespace kestrel::media
