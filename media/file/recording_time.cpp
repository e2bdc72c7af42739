#include "recording_time.h"

#include <algorithm>

namespace kestrel::media {
namespace {

// Days since 1970-01-01 of a Gregorian date; months out of 1..12 roll into
// the neighbouring years.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

const int64_t kDaysTo2000 = DaysFromCivil(2000, 1, 1);

}  // namespace

RecordingTime ClampRecordingTime(RecordingTime time) {
    time.month = std::clamp<uint8_t>(time.month, 1, 12);
    time.hour = std::min<uint8_t>(time.hour, 23);
    time.minute = std::min<uint8_t>(time.minute, 60);
    time.second = std::min<uint8_t>(time.second, 60);
    return time;
}

bool IsValidRecordingTime(const RecordingTime& time) {
    return time.month >= 1 && time.month <= 12 && time.day >= 1 && time.day <= 31 &&
           time.hour <= 23 && time.minute <= 59 && time.second <= 59;
}

int64_t RecordingTimeToSeconds(const RecordingTime& time) {
    // Month 0 counts as the last month of the year before, day 0 as the last
    // day of the month before.
    const int64_t month = time.month == 0 ? 12 : time.month;
    const int64_t year = 2000 + time.year - (time.month == 0 ? 1 : 0);
    const int64_t days = DaysFromCivil(year, month, 1) + time.day - 1 - kDaysTo2000;
    return days * 86400 + int64_t{time.hour} * 3600 + int64_t{time.minute} * 60 + time.second;
}

}  // namespace kestrel::media
