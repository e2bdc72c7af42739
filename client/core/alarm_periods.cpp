#include "alarm_periods.h"

#include <cctype>
#include <cstdio>

namespace kestrel::client {
namespace {

bool Unused(const QwAlarmPeriod& p) {
    return p.start_hour == p.end_hour && p.start_minute == p.end_minute;
}

// Reads "H:MM" or "HH:MM" at text[*at], moving *at past it.
bool ReadClock(const std::string& text, size_t* at, int* hour, int* minute) {
    auto digits = [&](int most, int* value) {
        int count = 0;
        *value = 0;
        while (*at < text.size() && count < most &&
               std::isdigit(static_cast<unsigned char>(text[*at])) != 0) {
            *value = *value * 10 + (text[(*at)++] - '0');
            ++count;
        }
        return count;
    };
    if (digits(2, hour) == 0 || *at >= text.size() || text[*at] != ':') {
        return false;
    }
    ++*at;
    return digits(2, minute) == 2 && *hour <= 23 && *minute <= 59;
}

}  // namespace

std::string AlarmPeriodText(const QwAlarmPeriod& period) {
    if (Unused(period)) {
        return {};
    }
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u-%02u:%02u", period.start_hour % 100u,
                  period.start_minute % 100u, period.end_hour % 100u, period.end_minute % 100u);
    return text;
}

bool ParseAlarmPeriod(const std::string& text, QwAlarmPeriod* period) {
    std::string compact;
    for (const char c : text) {
        if (c != ' ') {
            compact += c;
        }
    }
    if (compact.empty()) {
        *period = QwAlarmPeriod{};
        return true;
    }
    size_t at = 0;
    int startHour = 0, startMinute = 0, endHour = 0, endMinute = 0;
    if (!ReadClock(compact, &at, &startHour, &startMinute) || at >= compact.size() ||
        compact[at++] != '-' || !ReadClock(compact, &at, &endHour, &endMinute) ||
        at != compact.size() || startHour * 60 + startMinute > endHour * 60 + endMinute) {
        return false;
    }
    period->start_hour = static_cast<uint8_t>(startHour);
    period->start_minute = static_cast<uint8_t>(startMinute);
    period->end_hour = static_cast<uint8_t>(endHour);
    period->end_minute = static_cast<uint8_t>(endMinute);
    return true;
}

}  // namespace kestrel::client
