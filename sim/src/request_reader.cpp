#include "request_reader.h"

#include <algorithm>
#include <chrono>

#include "platform/socket.h"
#include "stop_signal.h"

namespace kestrel::sim {
namespace {

// Stop() wakes waits by shutting the socket down; the slice only bounds how
// long a missed wake-up could go unnoticed.
constexpr int kWaitSliceMs = 500;

}  // namespace

ReadOutcome ReadRequestBlock(platform::Socket& socket, StopSignal& stop, int timeout_ms,
                             RequestBlock* block) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
    size_t received = 0;
    while (received < block->size()) {
        if (stop.Raised()) {
            return ReadOutcome::kStopped;
        }
        int wait_ms = kWaitSliceMs;
        if (timeout_ms >= 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
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
        const long got = socket.Receive(block->data() + received, block->size() - received);
        if (got == 0) {
            return ReadOutcome::kClosed;
        }
        if (got < 0) {
            return ReadOutcome::kFailed;
        }
        received += static_cast<size_t>(got);
    }
    return ReadOutcome::kBlock;
}

}  // namespace kestrel::sim
