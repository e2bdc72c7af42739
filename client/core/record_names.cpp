#include "record_names.h"

#include <cstdio>

#include "platform/paths.h"

namespace kestrel::client {

std::string RecordFolder(const std::string& videoPath, const std::string& deviceIp,
                         const platform::LocalTime& t, int channel0) {
    const char sep = platform::kPathSeparator;
    char tail[64];
    std::snprintf(tail, sizeof tail, "%cRecord%c%04d%02d%c%d%c", sep, sep, t.year, t.month, sep,
                  channel0 + 1, sep);
    return videoPath + "IP_" + deviceIp + tail;
}

std::string RecordFileName(int channel0, const platform::LocalTime& t) {
    char name[80];
    std::snprintf(name, sizeof name, "ch%014d-%02d%02d%02d-%02d%02d%02d.avi", channel0 + 1,
                  t.year - 2000, t.month, t.day, t.hour, t.minute, t.second);
    return name;
}

std::string RecordIndexFileName(const std::string& recordFileName) {
    return recordFileName + ".indx";
}

}  // namespace kestrel::client
