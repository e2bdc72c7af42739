// The live streams running on one simulator: hands out stream identifiers
// and keeps each running stream's sound switch, which stream sound requests
// (on their own connections) flip and the stream's sender reads per frame.
//
// Threading: any connection thread. One mutex guards the table; the sound
// switch itself is atomic so the sender reads it without the lock. Bounded
// by the connection limit: each running stream is one connection.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/observations.h"

namespace kestrel::sim {

struct ActiveStream {
    ActiveStream(StreamId stream_id, int stream_channel, int number)
        : id(stream_id), channel(stream_channel), stream_number(number) {}
    const StreamId id;
    const int channel;
    const int stream_number;
    std::atomic<bool> sound_open{false};
};

class StreamRegistry {
public:
    explicit StreamRegistry(Observations& observations) : observations_(observations) {}

    // A new running stream with a fresh identifier (unique for the life of
    // the registry).
    std::shared_ptr<ActiveStream> Open(int channel, int stream_number);
    void Close(const std::shared_ptr<ActiveStream>& stream);
    // false when no running stream has this identifier.
    bool SetSound(StreamId id, bool open);

private:
    static StreamId MakeId(uint32_t serial);

    Observations& observations_;
    std::mutex mutex_;  // guards the fields below
    uint32_t serial_ = 0;
    std::vector<std::shared_ptr<ActiveStream>> running_;
};

}  // namespace kestrel::sim
