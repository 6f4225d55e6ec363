#pragma once

#include <optional>
#include <string>

// Needs no window and no database.
namespace calvendra {

// How a special-day reminder repeats, as the table schedule_repeat keeps it beside the schedule.
// The schedule itself stays a special day whose remind_date holds its next occurrence, so that any
// reader of the four tables fires it on the right day; the rule keeps the day it was set for, so
// that a 31st that had to fall on 30 April is the 31st again in May.
struct RepeatRule {
    enum class Every { kYear, kMonth };
    Every every = Every::kYear;
    int month = 1;  // the month of a yearly rule, 1 to 12
    int day = 1;    // the day of the month it was set for, 1 to 31

    bool operator==(const RepeatRule& other) const {
        return every == other.every && day == other.day &&
               (every == Every::kMonth || month == other.month);
    }
};

// "every year 6-14" or "every month 31", as stored in the rule column.
std::string RuleText(const RepeatRule& rule);

// Reads a rule column; empty for any text that is no rule (the reminder then fires once).
std::optional<RepeatRule> ReadRuleText(const std::string& text);

// A date as remind_date holds it: "%d-%d-%d", no leading zeros.
struct SpecialDate {
    int year = 1970;
    int month = 1;
    int day = 1;
    bool operator==(const SpecialDate& other) const {
        return year == other.year && month == other.month && day == other.day;
    }
};
std::string SpecialDateText(const SpecialDate& date);
std::optional<SpecialDate> ReadSpecialDate(const std::string& text);

// The rule's occurrence in the year and month given: its day, or the month's last day when the
// month is shorter (29 February on 28 February in other years, the 31st on the 30th).
SpecialDate OccurrenceIn(const RepeatRule& rule, int year, int month);

// The first occurrence of the rule after `date`.
SpecialDate NextOccurrence(const RepeatRule& rule, const SpecialDate& date);

// The first occurrence of the rule on `date` or after it.
SpecialDate OccurrenceFrom(const RepeatRule& rule, const SpecialDate& date);

// Whether the rule falls on `date`. A special day whose date another program changed to a day the
// rule does not fall on is no longer repeated by it: it fires once, as written.
bool IsOccurrence(const RepeatRule& rule, const SpecialDate& date);

// The occurrence a special day set for `picked` is stored with, so that a reader of the four
// tables fires it next: the first one on `picked` or after, and not before `today`; today's only
// while its minute has not passed (`todayPassed` false).
SpecialDate UpcomingOccurrence(const RepeatRule& rule, const SpecialDate& picked,
                               const SpecialDate& today, bool todayPassed);

// The rule that repeats a special day set for `date`.
RepeatRule RuleFor(RepeatRule::Every every, const SpecialDate& date);

// Days of the month in the Gregorian calendar: 28 to 31.
int DaysInMonth(int year, int month);

}  // namespace calvendra
