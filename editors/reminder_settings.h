#pragma once

#include <optional>
#include <string>

#include "store/reminder_encoding.h"
#include "store/repeat_rule.h"

// A schedule's reminder as the schedule editor and the reminder settings hand it to each other,
// and the two texts that carry its day and its time. Needs no window.
namespace calvendra {

// The six reminder columns of a schedule, and the repetition of a special day.
struct ReminderSettings {
    bool remind = false;
    int remindType = kRemindEveryDay;
    int remindWeek = 0;
    // Empty while the reminder settings were never confirmed for a new schedule: the reminder
    // settings then start at today and at the current time.
    std::string remindDate;
    std::string remindTime;
    bool emailRemind = false;
    // How a special day repeats (the table schedule_repeat); empty: it fires once.
    std::optional<RepeatRule> repeat;
};

struct TimeOfDay {
    int hour = 0;  // 0 to 23
    int minute = 0;
    int second = 0;
};

struct CalendarDate {
    int year = 1970;
    int month = 1;  // 1 to 12
    int day = 1;
};

// Reads a stored remind_time: hours before the first ':', minutes between the first and the
// second, seconds after the second, each read like any other number column (so "7:5:00" is
// 07:05:00). Empty when either ':' is missing or the text starts with one. Values out of range
// carry like a clock, as the reminder scan reads them: 13:90:00 is 14:30:00, -1:00:00 is 23:00:00.
std::optional<TimeOfDay> ReadStoredTime(const std::string& text);

// Reads a stored remind_date, year-month-day in decimal, whatever the user's locale. White space
// at both ends is ignored and leading zeros are read (" 2005-03-07" is 7 March 2005). Empty for
// anything else, and for a day that the calendar does not have (2005-2-29).
std::optional<CalendarDate> ReadStoredDate(const std::string& text);

// The texts the reminder scan compares: "09:05:00" and "2005-3-7", in every locale.
std::string RemindTimeText(const TimeOfDay& time);
std::string RemindDateText(const CalendarDate& date);

}  // namespace calvendra
