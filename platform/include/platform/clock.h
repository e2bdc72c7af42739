// Millisecond tick count, local time and periodic timers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// Milliseconds from an arbitrary start, monotonic; wraps like a 32-bit tick
// count would, so compare with unsigned subtraction.
uint32_t TickCountMs();
// Monotonic milliseconds that never wrap (for time-outs).
uint64_t MonotonicMs();
// The same clock in microseconds (pacing at fractions of a millisecond).
uint64_t MonotonicUs();

struct LocalTime {
    // month 1..12, weekday 0 = Sunday
    int year, month, day, hour, minute, second, millisecond, weekday;
};
LocalTime Now();

// Calls callback every period_ms on the timer's own thread until Stop() or
// destruction (the multimedia-timer role). Ticks follow a fixed schedule from
// Start(), so they do not drift; ticks missed while a callback overran a whole
// period are dropped, not run in a burst. Exceptions from the callback are
// swallowed.
//
// Threading: Stop() and the destructor wait for a running callback, from any
// thread but the callback's own; called from the callback they only mark the
// timer stopped and return (the callback then runs no more).
class PeriodicTimer {
public:
    PeriodicTimer();
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // false when running already, period_ms <= 0, no callback, or no thread.
    bool Start(int period_ms, std::function<void()> callback);
    void Stop();
    bool Running() const;

private:
    struct State;  // shared with the timer's thread
    std::shared_ptr<State> state_;
};

}  // namespace platform
