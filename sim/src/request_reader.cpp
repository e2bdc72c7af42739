#include "request_reader.h"

#include <algorithm>
#include <array>

#include "platform/socket.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

using Clock = std::chrono::steady_clock;

// Stop() wakes waits by shutting the socket down; the slice only bounds how
// long a missed wake-up could go unnoticed.
constexpr int kWaitSliceMs = 500;

}  // namespace

ReadDeadline DeadlineAfter(int timeout_ms) {
    if (timeout_ms < 0) {
        return std::nullopt;
    }
    return Clock::now() + std::chrono::milliseconds(timeout_ms);
}

ReadOutcome ReceiveSome(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                        std::span<uint8_t> buffer, size_t* received) {
    *received = 0;
    for (;;) {
        if (stop.Raised()) {
            return ReadOutcome::kStopped;
        }
        int wait_ms = kWaitSliceMs;
        if (deadline) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0) {
                return ReadOutcome::kTimedOut;
            }
            wait_ms = static_cast<int>(std::min<long long>(left, kWaitSliceMs));
        }
        const platform::WaitResult ready = socket.WaitReadable(wait_ms);
        if (ready == platform::WaitResult::kTimeout) {
            continue;
        }
        if (ready == platform::WaitResult::kError) {
            return ReadOutcome::kFailed;
        }
        const long got = socket.Receive(buffer.data(), buffer.size());
        if (got == 0) {
            return ReadOutcome::kClosed;
        }
        if (got < 0) {
            return ReadOutcome::kFailed;
        }
        *received = static_cast<size_t>(got);
        return ReadOutcome::kBlock;
    }
}

ReadOutcome ReadExactly(platform::Socket& socket, StopSignal& stop, ReadDeadline deadline,
                        std::span<uint8_t> buffer) {
    size_t filled = 0;
    while (filled < buffer.size()) {
        size_t got = 0;
        const ReadOutcome outcome =
            ReceiveSome(socket, stop, deadline, buffer.subspan(filled), &got);
        if (outcome != ReadOutcome::kBlock) {
            return outcome;
        }
        filled += got;
    }
    return ReadOutcome::kBlock;
}

ReadOutcome ReadRequestBlock(platform::Socket& socket, StopSignal& stop, int timeout_ms,
                             RequestBlock* block) {
    return ReadExactly(socket, stop, DeadlineAfter(timeout_ms), *block);
}

bool PeerClosed(platform::Socket& socket) {
    const platform::WaitResult ready = socket.WaitReadable(0);
    if (ready == platform::WaitResult::kTimeout) {
        return false;
    }
    if (ready == platform::WaitResult::kError) {
        return true;
    }
    std::array<uint8_t, 4096> discard;
    return socket.Receive(discard.data(), discard.size()) <= 0;
}

}  // namespace kestrel::sim
