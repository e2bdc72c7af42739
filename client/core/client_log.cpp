#include "client_log.h"

#include <cstdio>
#include <memory>

#include "platform/clock.h"
#include "platform/paths.h"

namespace kestrel::client {

void AppendLogEntry(const std::string& folder, const std::string& text) {
    const platform::LocalTime t = platform::Now();
    const std::string path = platform::JoinPath(folder, kLogFileName);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "a"), std::fclose);
    if (!file) {
        return;
    }
    // One write per entry keeps entries of concurrent writers whole.
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "\t\t%d-%d-%d-%d-%d-%d\n", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    const std::string entry = text + stamp;
    std::fwrite(entry.data(), 1, entry.size(), file.get());
}

}  // namespace kestrel::client
