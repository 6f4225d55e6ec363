#include "reminders/repeat_rule.h"

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
