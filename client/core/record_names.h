// Folder and file names of local recordings.
#pragma once

#include <string>

#include "platform/clock.h"

namespace kestrel::client {

// "<videoPath>IP_<deviceIp>/Record/<yyyymm>/<channel0 + 1>/" with native
// separators; videoPath is a native folder ending with a separator.
std::string RecordFolder(const std::string& videoPath, const std::string& deviceIp,
                         const platform::LocalTime& t, int channel0);
// "ch<channel0 + 1, 14 digits>-<yymmdd>-<hhmmss>.avi", e.g.
// ch00000000000001-091231-235959.avi.
std::string RecordFileName(int channel0, const platform::LocalTime& t);
// The side file that collects a record file's index while it is written.
std::string RecordIndexFileName(const std::string& recordFileName);

}  // namespace kestrel::client
