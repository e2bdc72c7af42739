// The time periods of the alarm plans as the operator types them:
// "HH:MM-HH:MM", hours 0..23 and minutes 0..59, start not after end; an
// empty text is an unused period (start equal to end).
//
// Threading: plain functions; no state.
#pragma once

#include <string>

#include "kestrel_records.h"

namespace kestrel::client {

// "" for an unused period, else "HH:MM-HH:MM".
std::string AlarmPeriodText(const QwAlarmPeriod& period);
// False (period untouched) for anything but an empty text or a valid period.
bool ParseAlarmPeriod(const std::string& text, QwAlarmPeriod* period);

}  // namespace kestrel::client
