#pragma once

#include <string>

// The meaning of a schedule's reminder columns: remind, remindtype, remind_week, remind_date,
// remind_time and emailremind.
namespace calvendra {

enum RemindType : int {
    kRemindSpecialDay = 1,  // fires on remind_date
    kRemindEveryWeek = 2,   // fires on weekday remind_week
    kRemindEveryDay = 3,    // every other value counts as every day too
};

// remind_week: 0 is Sunday, 6 is Saturday.
inline constexpr int kWeekdayCount = 7;

// remind_date and today's date as compared: "%d-%d-%d", no leading zeros (2005-3-7).
std::string FormatReminderDate(int year, int month, int day);

// remind_time as the editor writes it: "%02d:%02d:%02d" (19:00:00).
std::string FormatReminderTime(int hour, int minute, int second);

// Reads the hour from the text before the first ':' and the minute from the text between the first
// and the second ':'; what follows the second ':' is ignored. False, and nothing read, when the
// text has fewer than two ':'. The numbers are read like every other column, so "9:5:0" is 9 and 5,
// and out-of-range values such as 13:90 are left for the caller to normalise.
bool ReadReminderTime(const std::string& text, int& hour, int& minute);

}  // namespace calvendra
