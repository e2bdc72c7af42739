#include "stream_registry.h"

#include <algorithm>

namespace kestrel::sim {

StreamId StreamRegistry::MakeId(uint32_t serial) {
    // Word 2 has its top bit set and varies in every byte, so a client that
    // shortens, swaps or sign-extends the words sends back a wrong one.
    return StreamId{0x00010000u + serial, 0x80000000u | ((serial * 0x9E3779B1u) & 0x7FFFFFFFu)};
}

std::shared_ptr<ActiveStream> StreamRegistry::Open(int channel, int stream_number) {
    std::lock_guard lock(mutex_);
    auto stream = std::make_shared<ActiveStream>(MakeId(++serial_), channel, stream_number);
    running_.push_back(stream);
    observations_.StreamStarted(stream->id, channel, stream_number);
    return stream;
}

void StreamRegistry::Close(const std::shared_ptr<ActiveStream>& stream) {
    std::lock_guard lock(mutex_);
    std::erase(running_, stream);
    observations_.StreamEnded(stream->id);
}

bool StreamRegistry::SetSound(StreamId id, bool open) {
    std::lock_guard lock(mutex_);
    const auto found = std::find_if(running_.begin(), running_.end(),
                                    [&](const auto& stream) { return stream->id == id; });
    if (found == running_.end()) {
        return false;
    }
    (*found)->sound_open = open;
    observations_.SoundChanged(id, open);
    return true;
}

}  // namespace kestrel::sim
