#include "pcm_ring.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kestrel::media {

std::unique_ptr<PcmRing> PcmRing::Create() {
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[kPcmRingBytes]());
    if (!bytes) {
        return nullptr;
    }
    return std::unique_ptr<PcmRing>(new (std::nothrow) PcmRing(std::move(bytes)));
}

bool PcmRing::Write(std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (bytes.size() > kPcmRingBytes - used_) {
        return false;
    }
    const size_t write = (read_ + used_) % kPcmRingBytes;
    const size_t first = std::min(bytes.size(), kPcmRingBytes - write);
    std::memcpy(bytes_.get() + write, bytes.data(), first);
    std::memcpy(bytes_.get(), bytes.data() + first, bytes.size() - first);
    used_ += bytes.size();
    return true;
}

bool PcmRing::Take(std::span<uint8_t> out) {
    std::lock_guard lock(mutex_);
    if (out.size() > used_) {
        return false;
    }
    const size_t first = std::min(out.size(), kPcmRingBytes - read_);
    std::memcpy(out.data(), bytes_.get() + read_, first);
    std::memcpy(out.data() + first, bytes_.get(), out.size() - first);
    read_ = (read_ + out.size()) % kPcmRingBytes;
    used_ -= out.size();
    return true;
}

size_t PcmRing::Buffered() const {
    std::lock_guard lock(mutex_);
    return used_;
}

void PcmRing::Clear() {
    std::lock_guard lock(mutex_);
    std::memset(bytes_.get(), 0, kPcmRingBytes);
    read_ = 0;
    used_ = 0;
}

}  // namespace kestrel::media
