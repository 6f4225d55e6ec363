// The reminder's time and date texts as the reminder settings read and write them, in every
// locale, and which of its controls are usable.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "editors/remind_enabling.h"
#include "editors/reminder_settings.h"
#include "tests/support/scoped_locale.h"

namespace calvendra {

bool operator==(const TimeOfDay& a, const TimeOfDay& b) {
    return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

bool operator==(const CalendarDate& a, const CalendarDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

void PrintTo(const TimeOfDay& t, std::ostream* out) {
    *out << t.hour << ":" << t.minute << ":" << t.second;
}

void PrintTo(const CalendarDate& d, std::ostream* out) {
    *out << d.year << "-" << d.month << "-" << d.day;
}

namespace {

struct TimeCase {
    const char* stored;
    std::optional<TimeOfDay> read;
};

const TimeCase kTimeCases[] = {
    {"09:30:00", TimeOfDay{9, 30, 0}},
    {"19:00:00", TimeOfDay{19, 0, 0}},
    {"23:59:59", TimeOfDay{23, 59, 59}},
    {"7:5:00", TimeOfDay{7, 5, 0}},
    {" 8: 15:30", TimeOfDay{8, 15, 30}},
    {"9:30:", TimeOfDay{9, 30, 0}},
    {"ab:cd:ef", TimeOfDay{0, 0, 0}},
    // Out of range carries like the reminder scan's clock.
    {"13:90:00", TimeOfDay{14, 30, 0}},
    {"24:00:00", TimeOfDay{0, 0, 0}},
    {"-1:00:00", TimeOfDay{23, 0, 0}},
    {"10:30", std::nullopt},
    {":10:30", std::nullopt},
    {"1030", std::nullopt},
    {"", std::nullopt},
};

TEST(ReadStoredTime, ReadsHoursMinutesAndSecondsOrNothing) {
    for (const TimeCase& c : kTimeCases) {
        EXPECT_EQ(ReadStoredTime(c.stored), c.read) << '"' << c.stored << '"';
    }
}

struct DateCase {
    const char* stored;
    std::optional<CalendarDate> read;
};

const DateCase kDateCases[] = {
    {"2005-3-7", CalendarDate{2005, 3, 7}},
    {"2005-03-03", CalendarDate{2005, 3, 3}},
    {" 2005-3-3 ", CalendarDate{2005, 3, 3}},
    {"2004-2-29", CalendarDate{2004, 2, 29}},
    {"2000-2-29", CalendarDate{2000, 2, 29}},
    {"2005-12-31", CalendarDate{2005, 12, 31}},
    {"2005-2-29", std::nullopt},
    {"1900-2-29", std::nullopt},
    {"2005-4-31", std::nullopt},
    {"2005-13-1", std::nullopt},
    {"2005-0-1", std::nullopt},
    {"2005-1-0", std::nullopt},
    {"0-1-1", std::nullopt},
    {"2005/3/7", std::nullopt},
    {"7.3.2005", std::nullopt},
    {"3/7/2005", std::nullopt},
    {"2005-3", std::nullopt},
    {"2005-3-7x", std::nullopt},
    {"-2005-3-7", std::nullopt},
    {"2005-+3-7", std::nullopt},
    {"", std::nullopt},
};

class ReminderTextsInLocale : public ::testing::TestWithParam<const char*> {};

// The scan compares these texts with its own; no locale may change how they are read or written.
TEST_P(ReminderTextsInLocale, DatesAndTimesReadAndWriteTheSame) {
    testing::ScopedLocale locale(GetParam());
    ASSERT_TRUE(locale.Active()) << GetParam() << " is not generated: run scripts/install-deps";
    for (const DateCase& c : kDateCases) {
        EXPECT_EQ(ReadStoredDate(c.stored), c.read) << '"' << c.stored << '"';
    }
    EXPECT_EQ(RemindDateText({2005, 3, 7}), "2005-3-7");
    EXPECT_EQ(RemindDateText({2026, 12, 31}), "2026-12-31");
    EXPECT_EQ(RemindTimeText({9, 5, 0}), "09:05:00");
    EXPECT_EQ(RemindTimeText({19, 0, 0}), "19:00:00");
    EXPECT_EQ(RemindTimeText(*ReadStoredTime("7:5:00")), "07:05:00");
}

INSTANTIATE_TEST_SUITE_P(Locales, ReminderTextsInLocale, ::testing::ValuesIn(testing::kTestLocales),
                         testing::LocaleParamName);

struct EnablingCase {
    bool remind;
    int remindType;
    RemindControlStates states;
};

const EnablingCase kEnablingCases[] = {
    // remind, type: buttons, checked, date, weekday, time
    {false, 1, {false, std::nullopt, false, false, false}},
    {false, 2, {false, std::nullopt, false, false, false}},
    {false, 3, {false, std::nullopt, false, false, false}},
    {true, 1, {true, 1, true, false, true}},
    {true, 2, {true, 2, false, true, true}},
    {true, 3, {true, 3, false, false, true}},
    {true, 0, {true, 3, false, false, true}},
    {true, 7, {true, 3, false, false, true}},
};

TEST(ControlStatesFor, FollowTheReminderAndItsType) {
    for (const EnablingCase& c : kEnablingCases) {
        const RemindControlStates s = ControlStatesFor(c.remind, c.remindType);
        const std::string which =
            "remind " + std::to_string(c.remind) + ", type " + std::to_string(c.remindType);
        EXPECT_EQ(s.typeButtonsEnabled, c.states.typeButtonsEnabled) << which;
        EXPECT_EQ(s.checkedType, c.states.checkedType) << which;
        EXPECT_EQ(s.dateEnabled, c.states.dateEnabled) << which;
        EXPECT_EQ(s.weekdayEnabled, c.states.weekdayEnabled) << which;
        EXPECT_EQ(s.timeEnabled, c.states.timeEnabled) << which;
    }
}

}  // namespace
}  // namespace calvendra
