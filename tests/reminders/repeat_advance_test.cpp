#include "reminders/repeat_advance.h"

#include <gtest/gtest.h>

#include <string>

#include "reminders/local_time.h"
#include "reminders/reminder_rule.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {
namespace {

class RepeatAdvanceTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_TRUE(connection_.OpenConnection());
    }

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

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
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
