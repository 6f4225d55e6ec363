#include "store/repeat_rule.h"

#include <gtest/gtest.h>

namespace calvendra {
namespace {

RepeatRule Yearly(int month, int day) {
    return {RepeatRule::Every::kYear, month, day};
}

RepeatRule Monthly(int day) {
    return {RepeatRule::Every::kMonth, 1, day};
}

TEST(RepeatRule, NextOccurrenceKeepsTheDayItWasSetForAndFallsOnTheLastDayOfShorterMonths) {
    const struct {
        RepeatRule rule;
        const char* after;
        const char* next;
    } cases[] = {
        {Yearly(6, 14), "2026-6-14", "2027-6-14"},
        {Yearly(6, 14), "2026-6-13", "2026-6-14"},
        {Yearly(1, 1), "2026-12-31", "2027-1-1"},
        // 29 February: on 28 February in other years, and on the 29th again in leap years.
        {Yearly(2, 29), "2024-2-29", "2025-2-28"},
        {Yearly(2, 29), "2025-2-28", "2026-2-28"},
        {Yearly(2, 29), "2027-2-28", "2028-2-29"},
        {Yearly(2, 29), "2099-2-28", "2100-2-28"},
        {Yearly(2, 29), "2399-2-28", "2400-2-29"},
        // The 31st: on each month's last day, and on the 31st again where there is one.
        {Monthly(31), "2026-1-31", "2026-2-28"},
        {Monthly(31), "2026-2-28", "2026-3-31"},
        {Monthly(31), "2026-3-31", "2026-4-30"},
        {Monthly(31), "2026-4-30", "2026-5-31"},
        {Monthly(31), "2028-1-31", "2028-2-29"},
        {Monthly(31), "2026-12-31", "2027-1-31"},
        {Monthly(30), "2026-2-28", "2026-3-30"},
        {Monthly(15), "2026-12-15", "2027-1-15"},
        {Monthly(15), "2026-6-1", "2026-6-15"},
        // A date stored late (edited by hand) moves on to the next one after it.
        {Monthly(1), "2026-6-20", "2026-7-1"},
        {Yearly(3, 5), "2026-9-1", "2027-3-5"},
    };
    for (const auto& c : cases) {
        const std::optional<SpecialDate> after = ReadSpecialDate(c.after);
        ASSERT_TRUE(after) << c.after;
        EXPECT_EQ(SpecialDateText(NextOccurrence(c.rule, *after)), c.next)
            << RuleText(c.rule) << " after " << c.after;
    }
}

TEST(RepeatRule, APickedDayIsStoredOnTheOccurrenceAReaderOfTheFourTablesFiresNext) {
    const struct {
        RepeatRule rule;
        const char* picked;
        const char* today;
        bool todayPassed;
        const char* stored;
    } cases[] = {
        // A birthday picked with its year of birth: the next one from today.
        {Yearly(6, 14), "1990-6-14", "2026-12-9", false, "2027-6-14"},
        {Yearly(6, 14), "1990-6-14", "2026-6-1", false, "2026-6-14"},
        // Today's is stored while its minute has not passed, tomorrow's year after that.
        {Yearly(6, 14), "1990-6-14", "2026-6-14", false, "2026-6-14"},
        {Yearly(6, 14), "1990-6-14", "2026-6-14", true, "2027-6-14"},
        // A day picked ahead stays where it is.
        {Yearly(6, 14), "2030-6-14", "2026-12-9", false, "2030-6-14"},
        {Yearly(2, 29), "2000-2-29", "2026-12-9", false, "2027-2-28"},
        {Yearly(2, 29), "2000-2-29", "2027-3-1", false, "2028-2-29"},
        {Monthly(31), "2026-1-31", "2026-4-2", false, "2026-4-30"},
        {Monthly(31), "2026-1-31", "2026-4-30", true, "2026-5-31"},
        {Monthly(1), "2026-1-1", "2026-12-31", false, "2027-1-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SpecialDateText(UpcomingOccurrence(c.rule, *ReadSpecialDate(c.picked),
                                                     *ReadSpecialDate(c.today), c.todayPassed)),
                  c.stored)
            << RuleText(c.rule) << " picked " << c.picked << " on " << c.today;
    }
}

TEST(RepeatRule, OnlyTheRulesOwnDaysAreOccurrences) {
    const struct {
        RepeatRule rule;
        const char* date;
        bool occurrence;
    } cases[] = {
        {Yearly(6, 14), "2026-6-14", true},  {Yearly(6, 14), "2026-7-14", false},
        {Yearly(6, 14), "2026-6-15", false}, {Yearly(2, 29), "2027-2-28", true},
        {Yearly(2, 29), "2028-2-28", false}, {Yearly(2, 29), "2028-2-29", true},
        {Monthly(31), "2026-4-30", true},    {Monthly(31), "2026-5-30", false},
        {Monthly(31), "2026-2-28", true},    {Monthly(30), "2026-2-28", true},
        {Monthly(15), "2026-2-15", true},    {Monthly(15), "2026-2-14", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsOccurrence(c.rule, *ReadSpecialDate(c.date)), c.occurrence)
            << RuleText(c.rule) << " on " << c.date;
    }
    EXPECT_EQ(RuleFor(RepeatRule::Every::kYear, {1990, 6, 14}), Yearly(6, 14));
    EXPECT_EQ(RuleFor(RepeatRule::Every::kMonth, {2026, 1, 31}), Monthly(31));
}

TEST(RepeatRule, TextsReadBackAndAnythingElseIsNoRule) {
    for (const RepeatRule& rule : {Yearly(6, 14), Yearly(2, 29), Monthly(31), Monthly(1)}) {
        EXPECT_EQ(ReadRuleText(RuleText(rule)), rule) << RuleText(rule);
    }
    EXPECT_EQ(RuleText(Yearly(6, 14)), "every year 6-14");
    EXPECT_EQ(RuleText(Monthly(31)), "every month 31");
    for (const char* text :
         {"", "once", "every year 2-30", "every year 13-1", "every month 0", "every month 32",
          "every week 3", "every year 6-14 extra", "every month 5x"}) {
        EXPECT_FALSE(ReadRuleText(text)) << text;
    }
    EXPECT_FALSE(ReadSpecialDate("2026-2-29"));
    EXPECT_FALSE(ReadSpecialDate("2026-6"));
    EXPECT_EQ(SpecialDateText(*ReadSpecialDate("2024-2-29")), "2024-2-29");
}

}  // namespace
}  // namespace calvendra
