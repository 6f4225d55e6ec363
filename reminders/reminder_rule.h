#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "reminders/local_time.h"

namespace calvendra {

// When a schedule asks to be reminded, as its reminder columns read.
struct ReminderRule {
    bool on = false;       // remind reads exactly 1
    int type = 0;          // remindtype: special day, every week, anything else every day
    int weekday = 0;       // remind_week, 0 = Sunday
    std::string date;      // remind_date without white space at its ends
    bool hasTime = false;  // remind_time holds two ':'
    int hour = 0;
    int minute = 0;
};

// Reads the columns remind, remindtype, remind_week, remind_date and remind_time.
ReminderRule ReadReminderRule(const std::string& remind, const std::string& remindType,
                              const std::string& remindWeek, const std::string& remindDate,
                              const std::string& remindTime);

// The local wall-clock reading (see WallClockSeconds) at which the rule fires on `day`; empty when
// it does not fire that day at all.
std::optional<std::int64_t> FiringWallClock(const ReminderRule& rule, const LocalDay& day);

// The rule of one minute: the reminder is due when the time it names on the minute's day, carried
// like a calendar and placed on the local clock, falls in the minute.
bool IsDueInMinute(const ReminderRule& rule, const LocalMinute& minute);

}  // namespace calvendra
