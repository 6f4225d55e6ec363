#pragma once

#include <optional>
#include <string>

#include "store/statements.h"

// A schedule's reminder columns as an iCalendar event says them: a start (DTSTART, in the local
// time of the user, without a zone), a weekly or daily repeat (RRULE), a display alarm at the
// start, and an EMAIL alarm when the attendants are mailed. What the event cannot say (a weekday
// or a date that only the stored row keeps, a reminder that can never fire) travels beside it in
// a property of the program's own, which an import takes only while the event still means the
// same as the row it came from.
namespace calvendra::exchange {

struct CivilDate {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
};

struct WallTime {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// 0 is Sunday, 6 Saturday, as remind_week counts.
int WeekdayOf(const CivilDate& date);
// The date `days` after (or before) `date`.
CivilDate AddDays(const CivilDate& date, int days);

struct ReminderTiming {
    // Without a start the event says nothing of when; the rest is then not compared.
    bool hasStart = false;
    int kind = 3;    // remindtype: 1 special day, 2 every week, 3 every day
    CivilDate date;  // the start's date: the special day; for a repeat only where it begins
    WallTime time;
    bool reminds = false;
    bool mails = false;

    int Weekday() const { return WeekdayOf(date); }

    // The same reminder: start, repeat, its day (the date of a special day, the weekday of a
    // weekly one), time, whether it reminds and mails.
    bool operator==(const ReminderTiming& other) const;
    bool operator!=(const ReminderTiming& other) const { return !(*this == other); }
};

// What the event of a stored schedule says. A repeat whose date cannot be read starts `today`; a
// weekly one on the first of its weekday from its date on. The event has no start where the
// reminder has no time that can be read, or no day (a special day without a date, a weekday out
// of range); it reminds only where the reminder scan would fire it, and mails only where it has
// attendants to mail.
ReminderTiming TimingOfFields(const statements::ScheduleFields& fields, bool hasAttendees,
                              const CivilDate& today);

// The reminder columns of an imported event (subject and text left empty).
statements::ScheduleFields FieldsOfTiming(const ReminderTiming& timing);

// The property of the program's own: its name and the text that keeps the six stored values.
inline constexpr char kStoredReminderProperty[] = "X-CALVENDRA-REMINDER";
// Empty when a value holds what the text cannot carry (a ';' or a line break).
std::optional<std::string> StoredReminderText(const statements::ScheduleFields& fields);
// The six values of such a text, into `fields`; false, and `fields` unchanged, when it is not one.
bool ReadStoredReminderText(const std::string& text, statements::ScheduleFields& fields);

}  // namespace calvendra::exchange
