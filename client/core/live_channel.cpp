#include "live_channel.h"

#include <algorithm>
#include <cstring>

namespace kestrel::client {

size_t StreamHeader::Absorb(const uint8_t* data, size_t length) {
    size_t taken = std::min(length, kStreamHeaderSize - fill_);
    if (taken > 0) {
        std::memcpy(bytes_ + fill_, data, taken);
        fill_ += taken;
    }
    return taken;
}

}  // namespace kestrel::client
