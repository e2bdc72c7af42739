// The client's log file "DvrOcxlog.txt": one open-append-close per entry, so
// several threads and several running instances can write without a lock.
#pragma once

#include <string>

namespace kestrel::client {

constexpr const char* kLogFileName = "DvrOcxlog.txt";

// Appends text unchanged (callers add their own line end) followed by
// "\t\t<year>-<month>-<day>-<hour>-<minute>-<second>\n" in local time. An
// unopenable file is skipped silently. Any thread.
void AppendLogEntry(const std::string& folder, const std::string& text);

}  // namespace kestrel::client
