// Recording times as a header or a frame holds them: six bytes, year since
// 2000 to second (the library's QwMediaTime). Clamping as files are read,
// the validity rule, and calendar seconds for ordering and differences.
//
// Threading: plain functions.
#pragma once

#include <cstdint>

#include "kestrel_media.h"

namespace kestrel::media {

using RecordingTime = QwMediaTime;

// month 0 -> 1, month > 12 -> 12, hour > 23 -> 23, minute/second > 60 -> 60.
// Year and day are kept; 60 is kept for minute and second, so a clamped
// time may still be invalid.
RecordingTime ClampRecordingTime(RecordingTime time);

// month 1..12, day 1..31, hour 0..23, minute and second 0..59.
bool IsValidRecordingTime(const RecordingTime& time);

// Seconds since 2000-01-01 00:00:00 of the proleptic Gregorian calendar.
// Fields out of range are counted as they are (day 31 of a 30-day month is
// the next month's first day), so any six bytes give a finite answer.
int64_t RecordingTimeToSeconds(const RecordingTime& time);

}  // namespace kestrel::media
