#include "reminders/reminder_rule.h"

#include <algorithm>

#include "store/column_values.h"
#include "store/reminder_encoding.h"

namespace calvendra {

namespace {

// A time of day further than three days from its day's midnight cannot fall on that day, whatever
// the clock does around it. Stored times beyond that are clamped to it before any calendar
// arithmetic, so that no stored text, however large, reaches the clock's conversions.
constexpr std::int64_t kFurthestMinutes = 3 * 24 * 60;

}  // namespace

ReminderRule ReadReminderRule(const std::string& remind, const std::string& remindType,
                              const std::string& remindWeek, const std::string& remindDate,
                              const std::string& remindTime) {
    ReminderRule rule;
    rule.on = IsFlagOn(remind);
    rule.type = ReadInt(remindType);
    rule.weekday = ReadInt(remindWeek);
    rule.date = TrimWhiteSpace(remindDate);
    rule.hasTime = ReadReminderTime(remindTime, rule.hour, rule.minute);
    return rule;
}

std::optional<std::int64_t> FiringWallClock(const ReminderRule& rule, const LocalDay& day) {
    if (!rule.on) {
        return std::nullopt;
    }
    if (rule.type == kRemindSpecialDay && rule.date != day.dateText) {
        return std::nullopt;
    }
    if (rule.type == kRemindEveryWeek && rule.weekday != day.weekday) {
        return std::nullopt;
    }
    if (!rule.hasTime) {
        return std::nullopt;
    }
    // Carried like a calendar: 13:90 is 14:30, and hour -1 is 23:00 of the day before.
    const std::int64_t minutes =
        std::clamp(std::int64_t{rule.hour} * 60 + rule.minute, -kFurthestMinutes, kFurthestMinutes);
    return WallClockSeconds(day, 0, minutes);
}

bool IsDueInMinute(const ReminderRule& rule, const LocalMinute& minute) {
    const std::optional<std::int64_t> wallClock = FiringWallClock(rule, minute.day);
    if (!wallClock) {
        return false;
    }
    const std::optional<std::time_t> instant = InstantOfWallClock(*wallClock);
    return instant && minute.start <= *instant && *instant < minute.end;
}

}  // namespace calvendra
