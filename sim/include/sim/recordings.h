// The recordings a simulated recorder holds: a fixed set of files per
// configured day and channel, each a recording header followed by video
// records of the main-stream clip. The catalog is deterministic, so tests can
// predict every search answer and every downloaded byte.
//
// Threading: plain data.
#pragma once

#include <cstdint>
#include <string>

#include "sim/recorder_config.h"

namespace kestrel::sim {

struct ClockTime {
    int hour = 0, minute = 0, second = 0;
    int Seconds() const { return hour * 3600 + minute * 60 + second; }
};

struct RecordingFile {
    std::string name;  // 1..127 characters, as search answers and downloads use it
    int channel = 0;   // 0-based
    int32_t kind = 0;  // 0 normal, 1 alarm
    RecordingDay day;
    ClockTime start;
    ClockTime end;
    int frames = 0;     // video records after the header
    uint32_t size = 0;  // bytes, header included
};

// Search file types: 1 finds kind 0, 2 finds kind 1, 3 finds every kind;
// other types find nothing.
constexpr int32_t kSearchTypeNormal = 1;
constexpr int32_t kSearchTypeAlarm = 2;
constexpr int32_t kSearchTypeAll = 3;

}  // namespace kestrel::sim
