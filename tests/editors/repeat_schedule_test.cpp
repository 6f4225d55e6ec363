// A special day's repetition as the schedule editor's callers store and read it, against both
// databases: the rule in schedule_repeat, written in the change that stores the schedule, and the
// schedule itself as a reader of the four tables alone sees it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editors/schedule_record.h"
#include "store/repeat_table.h"
#include "tests/editors/editor_test_data.h"
#include "tests/support/captured_log.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using Strings = std::vector<std::string>;

constexpr Identifier kHome = 2000000003;

ScheduleValues Birthday(const std::string& date, std::optional<RepeatRule> repeat) {
    ScheduleValues values;
    values.subject = "Mia's birthday";
    values.reminder.remind = true;
    values.reminder.remindType = kRemindSpecialDay;
    values.reminder.remindDate = date;
    values.reminder.remindTime = "08:00:00";
    values.reminder.repeat = repeat;
    return values;
}

int LinesWith(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class RepeatScheduleTest : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (!IsSkipped()) {
            Database().Execute(testing::kEditorRows);
        }
    }

    Strings Rules() {
        Strings rules;
        for (const auto& row : Database().Query(
                 "select schedule_id,rule from schedule_repeat order by schedule_id")) {
            rules.push_back(row.at(0) + " " + row.at(1));
        }
        return rules;
    }

    // The four reminder columns a reader of the original tables decides by, as stored.
    std::string FourTables(Identifier id) {
        const auto rows = Database().Query(
            "select remind,remindtype,remind_date,remind_time from assist_scheduleinfo where "
            "schedule_id='" +
            std::to_string(id) + "'");
        return rows.empty() ? "none"
                            : rows[0].at(0) + " " + rows[0].at(1) + " " + rows[0].at(2) + " " +
                                  rows[0].at(3);
    }
};

TEST_P(RepeatScheduleTest, TheRuleIsStoredWithTheScheduleAndReadBackForEditing) {
    const RepeatRule yearly{RepeatRule::Every::kYear, 6, 14};
    const NewItemOutcome stored =
        StoreNewSchedule(connection_, 2000000040, kHome, Birthday("2027-6-14", yearly), {});
    ASSERT_TRUE(stored.Stored()) << stored.failure.Text();
    EXPECT_EQ(Rules(), (Strings{std::to_string(stored.id) + " every year 6-14"}));
    // The schedule stays a special day on its next occurrence: what any reader fires by.
    EXPECT_EQ(FourTables(stored.id), "1 1 2027-6-14 08:00:00");

    std::optional<StoredSchedule> loaded = LoadSchedule(connection_, stored.id);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->values.reminder.repeat, yearly);

    // Monthly on the 31st, stored on 30 April: the rule keeps the 31st.
    ScheduleValues monthly = loaded->values;
    monthly.reminder.remindDate = "2027-4-30";
    monthly.reminder.repeat = RepeatRule{RepeatRule::Every::kMonth, 1, 31};
    ASSERT_EQ(SaveEditedSchedule(connection_, *loaded, kHome, monthly, std::nullopt).result,
              SaveResult::kSaved);
    EXPECT_EQ(Rules(), (Strings{std::to_string(stored.id) + " every month 31"}));
    loaded = LoadSchedule(connection_, stored.id);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->values.reminder.repeat, monthly.reminder.repeat);

    // Once again, or no special day any more: the rule goes.
    ScheduleValues weekly = loaded->values;
    weekly.reminder.remindType = kRemindEveryWeek;
    ASSERT_EQ(SaveEditedSchedule(connection_, *loaded, kHome, weekly, std::nullopt).result,
              SaveResult::kSaved);
    EXPECT_EQ(Rules(), Strings{});
    EXPECT_FALSE(LoadSchedule(connection_, stored.id)->values.reminder.repeat);
}

TEST_P(RepeatScheduleTest, ARuleChangedElsewhereIsAChangeAndARuleLeftByADeletedScheduleGoes) {
    const NewItemOutcome stored =
        StoreNewSchedule(connection_, 2000000040, kHome,
                         Birthday("2027-6-14", RepeatRule{RepeatRule::Every::kYear, 6, 14}), {});
    ASSERT_TRUE(stored.Stored());
    const std::optional<StoredSchedule> mine = LoadSchedule(connection_, stored.id);
    ASSERT_TRUE(mine);
    Database().Execute("update schedule_repeat set rule='every month 14'");
    const std::optional<StoredSchedule> theirs = LoadSchedule(connection_, stored.id);
    ASSERT_TRUE(theirs);
    EXPECT_EQ(ScheduleDifferences(*mine, *theirs), Strings{"Reminder"});
    ScheduleValues edited = mine->values;
    edited.subject = "Mia";
    EXPECT_EQ(SaveEditedSchedule(connection_, *mine, kHome, edited, std::nullopt).result,
              SaveResult::kChangedMeanwhile);
    EXPECT_EQ(Rules(), (Strings{std::to_string(stored.id) + " every month 14"}));

    // Another program deleted the schedule and left its rule; a new schedule under its id must
    // not repeat by it.
    Database().Execute("delete from assist_scheduleinfo where schedule_id='" +
                       std::to_string(stored.id) + "'");
    const NewItemOutcome again =
        StoreNewSchedule(connection_, stored.id, kHome, Birthday("2027-8-1", std::nullopt), {});
    ASSERT_EQ(again.id, stored.id);
    EXPECT_EQ(Rules(), Strings{});
}

TEST_P(RepeatScheduleTest, ADatabaseWithoutTheTableStoresTheScheduleOnceAndSaysSoOnce) {
    Database().Execute("drop table schedule_repeat");
    testing::CapturedLog log;
    OdbcDiagnostic failure;
    EXPECT_EQ(HasRepeatTable(connection_, failure), false);
    EXPECT_TRUE(failure.Empty()) << failure.Text();
    const NewItemOutcome stored =
        StoreNewSchedule(connection_, 2000000040, kHome,
                         Birthday("2027-6-14", RepeatRule{RepeatRule::Every::kYear, 6, 14}), {});
    ASSERT_TRUE(stored.Stored()) << stored.failure.Text();
    EXPECT_EQ(FourTables(stored.id), "1 1 2027-6-14 08:00:00");
    const std::optional<StoredSchedule> loaded = LoadSchedule(connection_, stored.id);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->values.reminder.repeat);
    ScheduleValues edited = loaded->values;
    edited.subject = "Mia";
    EXPECT_EQ(SaveEditedSchedule(connection_, *loaded, kHome, edited, std::nullopt).result,
              SaveResult::kSaved);
    // One line (ctest runs each test in a process of its own), naming the README step.
    const std::string text = log.Text();
    EXPECT_EQ(LinesWith(text, "no table schedule_repeat"), 1) << text;
    EXPECT_NE(text.find("\"Adding the newer tables to an existing database\""), std::string::npos)
        << text;
}

CALVENDRA_FOR_EACH_BACKEND(RepeatScheduleTest);

}  // namespace
}  // namespace calvendra
