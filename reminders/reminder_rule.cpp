#include "reminders/reminder_rule.h"

#include "store/column_values.h"
#include "store/reminder_encoding.h"

namespace calvendra {

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
    return WallClockSeconds(day, rule.hour, rule.minute);
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
