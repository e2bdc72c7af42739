// Talk, pan-tilt-zoom, shut-down, disk format and firmware upload: the
// command handlers and the per-recorder state they share across
// connections (the talk relay and the format status position).
//
// Threading: DeviceActions is shared by every connection thread and locks
// itself; the handlers run on the thread of their connection.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "session.h"

namespace kestrel::sim {

struct Request;

enum DeviceActionCommand : uint8_t {
    kCommandFirmware = 8,
    kCommandShutDown = 18,
    kCommandFormat = 20,
    kCommandPtz = 24,
    kCommandTalkReceive = 27,  // recorder to client
    kCommandTalkSend = 28,     // client to recorder
};

// Carries audio from the talk send connection to the talk receive one. The
// queue is bounded: bytes arriving while it holds kLimitBytes are dropped,
// so a client that sends without anyone listening cannot grow it.
class TalkRelay {
public:
    static constexpr size_t kLimitBytes = size_t{1} << 20;

    void Push(std::vector<uint8_t> piece);
    // Waits at most wait_ms for a piece; empty when none came.
    std::vector<uint8_t> Take(int wait_ms);
    // A new receive direction starts without what an earlier talk left.
    void Clear();

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::vector<uint8_t>> pieces_;  // guarded by mutex_
    size_t queued_bytes_ = 0;                  // guarded by mutex_
};

class DeviceActions {
public:
    TalkRelay& Talk() { return talk_; }
    // The format start rewinds the status sequence; each poll takes the next
    // value, the last one repeating.
    void RestartFormat();
    uint32_t NextFormatStatus(const std::vector<uint32_t>& sequence);

private:
    TalkRelay talk_;
    std::mutex mutex_;
    size_t format_position_ = 0;  // guarded by mutex_
};

SessionAction HandleFirmware(const Request& request, Session& session);     // 8
SessionAction HandleShutDown(const Request& request, Session& session);     // 18
SessionAction HandleFormat(const Request& request, Session& session);       // 20
SessionAction HandlePtz(const Request& request, Session& session);          // 24
SessionAction HandleTalkReceive(const Request& request, Session& session);  // 27
SessionAction HandleTalkSend(const Request& request, Session& session);     // 28

}  // namespace kestrel::sim
