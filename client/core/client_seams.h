// Time, free disk space and the GUI thread's timers as the client core sees
// them, replaceable so that the 30-minute recording split, the pause after
// closing talk and the low-disk guard can be tested without waiting or
// filling a disk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock.h"

namespace kestrel::client {

struct ClientSeams {
    // Local wall-clock time (file and folder names).
    std::function<platform::LocalTime()> now = [] { return platform::Now(); };
    // Free bytes on the disk holding a folder; negative when unknown.
    std::function<int64_t(const std::string& folder)> freeBytes;
    // Runs task once on the GUI thread, milliseconds from now and never
    // inside the call: the pauses that must not freeze the window. Called on
    // the GUI thread. The Qt pages give QTimer::singleShot; unset (no GUI
    // loop), ClientContext::RunLater runs the task at once.
    std::function<void(int milliseconds, std::function<void()> task)> runLater;

    // The real clock and disk; no timers.
    static ClientSeams System();
};

}  // namespace kestrel::client
