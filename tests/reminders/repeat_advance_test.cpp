#include "reminders/repeat_advance.h"

#include <gtest/gtest.h>

#include <string>

#include "reminders/local_time.h"
#include "reminders/reminder_rule.h"
#include "store/repeat_rule.h"
#include "store/sql_text.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/connected_database_test.h"

namespace calvendra::testing {
namespace {

class RepeatAdvanceTest : public ConnectedDatabaseTest {
protected:
    // A special day at 08:00, and its rule when one is given.
    void AddDay(Identifier id, const std::string& date, const std::string& rule) {
        Database().Execute("insert into assist_scheduleinfo values('" + std::to_string(id) +
                           "','2000000001','Day','',1,1,'0','" + date + "','08:00:00',0)");
        if (!rule.empty()) {
            Database().Execute("insert into schedule_repeat values('" + std::to_string(id) + "','" +
                               rule + "')");
        }
    }

    std::string DateOf(Identifier id) {
        return Database().QueryValue(
            "select remind_date from assist_scheduleinfo where schedule_id='" + std::to_string(id) +
            "'");
    }
};

// The next occurrence replaces the fired date in one change; the row stays a special day, so a
// reader of the four tables alone fires it on the new date.
TEST_P(RepeatAdvanceTest, AFiredRepeatingDayMovesOnToItsNextOccurrenceOnce) {
    AddDay(2000000002, "2028-2-29", "every year 2-29");
    AddDay(2000000003, "2026-1-31", "every month 31");
    AddDay(2000000004, "2026-6-14", "");
    OdbcDiagnostic failure;
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000002, "2028-2-29", failure), "2029-2-28");
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000003, "2026-1-31", failure), "2026-2-28");
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000004, "2026-6-14", failure), std::nullopt);
    EXPECT_TRUE(failure.Empty()) << failure.Text();
    EXPECT_EQ(DateOf(2000000002), "2029-2-28");
    EXPECT_EQ(DateOf(2000000003), "2026-2-28");
    EXPECT_EQ(DateOf(2000000004), "2026-6-14");
    // A second organizer that saw the same firing finds the date moved and moves nothing.
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000003, "2026-1-31", failure), std::nullopt);
    EXPECT_EQ(DateOf(2000000003), "2026-2-28");
    EXPECT_EQ(Database().QueryValue(
                  "select remindtype from assist_scheduleinfo where schedule_id='2000000003'"),
              "1");

    // The rule that a reader of the four tables follows: due on 28 February 2029 at 08:00.
    ScopedTimeZone zone("Europe/Berlin");
    const ReminderRule rule = ReadReminderRule("1", "1", "0", DateOf(2000000002), "08:00:00");
    EXPECT_TRUE(IsDueInMinute(rule, *LocalMinuteAt(LocalTime(2029, 2, 28, 8, 0))));
    EXPECT_FALSE(IsDueInMinute(rule, *LocalMinuteAt(LocalTime(2029, 3, 1, 8, 0))));
}

// The day that fired is the local day of the minute it fired in, also on the days the clocks
// change and where the local day and the UTC day differ; a reader of the four tables then fires
// the moved row on the next occurrence, in the same local minute.
TEST_P(RepeatAdvanceTest, TheLocalDayMovesOnInEveryZoneAndOnTheDaysTheClocksChange) {
    const struct {
        const char* zone;
        int year, month, day, hour, minute;
        const char* rule;
        const char* next;
    } cases[] = {
        {"Europe/Berlin", 2026, 3, 29, 8, 0, "every year 3-29", "2027-3-29"},
        {"Europe/Berlin", 2026, 10, 25, 2, 30, "every month 25", "2026-11-25"},
        {"America/New_York", 2026, 3, 8, 0, 30, "every year 3-8", "2027-3-8"},
        {"America/New_York", 2026, 11, 1, 23, 30, "every month 1", "2026-12-1"},
        {"Pacific/Auckland", 2026, 4, 5, 0, 15, "every year 4-5", "2027-4-5"},
        {"Pacific/Auckland", 2028, 2, 29, 0, 15, "every year 2-29", "2029-2-28"},
        {"Asia/Kolkata", 2026, 12, 31, 23, 45, "every month 31", "2027-1-31"},
    };
    Identifier id = 2000000010;
    for (const auto& c : cases) {
        ScopedTimeZone zone(c.zone);
        const std::string time = FormatText("%02d:%02d:00", c.hour, c.minute);
        const std::optional<LocalMinute> fired =
            LocalMinuteAt(LocalTime(c.year, c.month, c.day, c.hour, c.minute));
        ASSERT_TRUE(fired) << c.zone;
        const std::string date = FormatText("%d-%d-%d", c.year, c.month, c.day);
        ASSERT_EQ(fired->day.dateText, date) << c.zone;
        Database().Execute("insert into assist_scheduleinfo values('" + std::to_string(id) +
                           "','2000000001','Day','',1,1,'0','" + date + "','" + time + "',0)");
        Database().Execute("insert into schedule_repeat values('" + std::to_string(id) + "','" +
                           c.rule + "')");
        OdbcDiagnostic failure;
        EXPECT_EQ(AdvanceRepeatingDay(connection_, id, fired->day.dateText, failure), c.next)
            << c.zone << " " << date << " " << failure.Text();
        const ReminderRule rule = ReadReminderRule("1", "1", "0", DateOf(id), time);
        const std::optional<SpecialDate> next = ReadSpecialDate(c.next);
        ASSERT_TRUE(next);
        EXPECT_TRUE(IsDueInMinute(
            rule, *LocalMinuteAt(LocalTime(next->year, next->month, next->day, c.hour, c.minute))))
            << c.zone << " " << c.next;
        EXPECT_FALSE(IsDueInMinute(rule, *fired)) << c.zone << " " << date;
        ++id;
    }
}

// Another program set the special day to a day its rule does not fall on: it fires once there.
TEST_P(RepeatAdvanceTest, ADayTheRuleDoesNotFallOnFiresOnce) {
    AddDay(2000000002, "2026-8-1", "every year 6-14");
    OdbcDiagnostic failure;
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000002, "2026-8-1", failure), std::nullopt);
    EXPECT_TRUE(failure.Empty()) << failure.Text();
    EXPECT_EQ(DateOf(2000000002), "2026-8-1");
}

TEST_P(RepeatAdvanceTest, ADatabaseWithoutTheTableMovesNothingAndFailsNothing) {
    AddDay(2000000002, "2026-6-14", "every year 6-14");
    Database().Execute("drop table schedule_repeat");
    OdbcDiagnostic failure;
    EXPECT_EQ(AdvanceRepeatingDay(connection_, 2000000002, "2026-6-14", failure), std::nullopt);
    EXPECT_TRUE(failure.Empty()) << failure.Text();
    EXPECT_EQ(DateOf(2000000002), "2026-6-14");
}

CALVENDRA_FOR_EACH_BACKEND(RepeatAdvanceTest);

}  // namespace
}  // namespace calvendra::testing
