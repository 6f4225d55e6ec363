// The minute scan reads only the schedules whose reminder time may fall in its minutes. Against a
// reading of every schedule with the same rule as the reference: the same reminders for every
// form of stored time the rule accepts or refuses, in zones whose clocks jump; the database finds
// them through its index; and a database without the index still gets every reminder, with one
// line in the log that says how to add it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "reminders/due_reminders.h"
#include "reminders/local_time.h"
#include "reminders/minute_batch.h"
#include "reminders/reminder_rule.h"
#include "reminders/reminder_scanner.h"
#include "store/column_values.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/database_test.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::CapturedLog;
using testing::DatabaseTest;
using ::testing::HasSubstr;
using testing::LocalTime;
using testing::RecordingDelivery;
using testing::ScopedTimeZone;

// Stored times: the editor's form, the odd forms the rule still reads (no leading zero, white
// space, a sign, carried hours and minutes, trailing text), forms it refuses (one ':', blank,
// NULL), and texts that look like the editor's at a glance but are not.
const char* const kStoredTimes[] = {
    "'14:30:00'",  "'14:30:59x'", "'9:5:0'",     "' 14:30:00'", "'14:30'",    "''",
    "NULL",        "'-1:30:00'",  "'13:90:00'",  "'23:59:00'",  "'00:00:00'", "'0:00:00'",
    "'24:00:00'",  "'99:99:99'",  "'02:30:00'",  "'01:90:00'",  "'03:-30:00'", "'+14:30:00'",
    "'14:3O:00'",  "'14:30:00 '", "'1430::'",    "'::'",        "'08:65:00'", "'38:30:00'",
    "'-00:01:00'", "'2:30:00'",   "'03:30:00'",  "'01:30:00'",  "'09:05:00'", "'02:59:00'",
    "'14:30:00:00'", "'²3:00:00'"};

// Each stored time under each kind of rule, with the reminder on, off, or in forms that read as
// on or off.
std::string MixedSchedules(Backend backend) {
    const std::string word = backend == Backend::kSqlite ? "'1x'" : "1";
    const std::string kinds[] = {
        // remind, remindtype, remind_week, remind_date
        "1,3,'0',''",          "1,1,'0','2024-3-31'", "1,1,'0','2024-10-27'",
        "1,1,'0','2024-6-12'", "1,2,'0',''",          "1,2,'3',''",
        "1,0,'9',''",          "0,3,'0',''",          word + ",3,'0',''",
        "NULL,3,'0',''",       "1,1,'0',' 2024-6-12 '", "1,7,'0',''",
    };
    std::string sql = "begin;";
    long id = 2000000002L;
    for (const char* time : kStoredTimes) {
        for (const std::string& kind : kinds) {
            sql += "insert into assist_scheduleinfo values('" + std::to_string(id) +
                   "','2000000001','Subject " + std::to_string(id) + "','Text'," + kind + "," +
                   time + "," + std::to_string(id % 2) + ");";
            ++id;
        }
    }
    return sql + "commit;";
}

// The local minutes from `first` up to but not including `end`.
MinuteBatch MinutesBetween(std::time_t first, std::time_t end) {
    std::vector<LocalMinute> minutes;
    for (std::time_t instant = first; instant < end; instant += 60) {
        if (const std::optional<LocalMinute> minute = LocalMinuteAt(instant)) {
            minutes.push_back(*minute);
        }
    }
    return MinuteBatch(std::move(minutes));
}

// What a reading of every schedule with the rule finds: the reference the narrowed reading must
// equal, as "minute id subject mail" lines in delivery order.
std::vector<std::string> ReadEveryScheduleFor(CDBConnection& connection,
                                              const MinuteBatch& batch) {
    using Column = catalogue::ScheduleColumns;
    std::vector<std::pair<std::size_t, std::string>> found;
    CDBResultSet results(connection);
    std::vector<std::size_t> minutes;
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForScan())) {
        const ReminderRule rule =
            ReadReminderRule(row.Text(Column::kRemind), row.Text(Column::kRemindType),
                             row.Text(Column::kRemindWeek), row.Text(Column::kRemindDate),
                             row.Text(Column::kRemindTime));
        batch.DueMinutes(rule, minutes);
        for (const std::size_t minute : minutes) {
            found.emplace_back(minute, std::to_string(minute) + " " +
                                           std::to_string(row.Id(Column::kScheduleId)) + " " +
                                           row.Text(Column::kSubject) +
                                           (row.Flag(Column::kEmailRemind) ? " mail" : ""));
        }
    }
    EXPECT_TRUE(results.LastError().Empty()) << results.LastError().Text();
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> lines;
    for (const auto& item : found) {
        lines.push_back(item.second);
    }
    return lines;
}

std::vector<std::string> Lines(const ScheduleReading& reading) {
    std::vector<std::string> lines;
    for (const DueReminder& due : reading.due) {
        lines.push_back(std::to_string(due.minute) + " " + std::to_string(due.scheduleId) + " " +
                        due.subject + (due.mail ? " mail" : ""));
    }
    return lines;
}

class ScanNarrowingTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        Database().Execute(MixedSchedules(GetParam()));
        ASSERT_TRUE(connection_.OpenConnection());
    }

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

struct ScannedSpan {
    const char* zone;
    int year, month, day, hour, minute;
    int minutes;  // how many minutes the batch holds from there on
};

TEST_P(ScanNarrowingTest, FindsWhatAReadingOfEveryScheduleFinds) {
    const ScannedSpan spans[] = {
        // Single minutes of an ordinary day, at times stored in many forms.
        {"Europe/Berlin", 2024, 6, 12, 14, 30, 1},
        {"Europe/Berlin", 2024, 6, 12, 9, 5, 1},
        {"Europe/Berlin", 2024, 6, 12, 0, 0, 1},
        {"Europe/Berlin", 2024, 6, 12, 23, 59, 1},
        {"Europe/Berlin", 2024, 6, 12, 22, 30, 1},
        // A late tick over a few minutes, and a day caught up after a sleep, over midnight.
        {"Europe/Berlin", 2024, 6, 12, 14, 28, 5},
        {"Europe/Berlin", 2024, 6, 12, 3, 0, 24 * 60},
        // The clock jumps forward an hour at 02:00 and back at 03:00.
        {"Europe/Berlin", 2024, 3, 31, 1, 58, 5},
        {"Europe/Berlin", 2024, 3, 31, 3, 30, 1},
        {"Europe/Berlin", 2024, 3, 31, 0, 0, 24 * 60},
        {"Europe/Berlin", 2024, 10, 27, 1, 30, 120},
        // Half an hour's change, and a day that was skipped altogether.
        {"Australia/Lord_Howe", 2024, 4, 7, 1, 20, 60},
        {"Pacific/Apia", 2011, 12, 29, 23, 50, 30},
    };
    int found = 0;
    for (const ScannedSpan& span : spans) {
        const ScopedTimeZone zone(span.zone);
        const std::time_t first =
            LocalTime(span.year, span.month, span.day, span.hour, span.minute);
        const MinuteBatch batch = MinutesBetween(first, first + span.minutes * 60);
        const std::vector<std::string> reference = ReadEveryScheduleFor(connection_, batch);
        const ScheduleReading narrowed = ReadDueReminders(connection_, batch);
        ASSERT_TRUE(narrowed.failure.Empty()) << narrowed.failure.Text();
        EXPECT_EQ(Lines(narrowed), reference)
            << span.zone << " " << span.year << "-" << span.month << "-" << span.day << " "
            << span.hour << ":" << span.minute << " for " << span.minutes << " minutes";
        found += static_cast<int>(reference.size());
    }
    // The table is made so that the spans find many reminders, of odd forms among them.
    EXPECT_GT(found, 200);
}

TEST_P(ScanNarrowingTest, TheDatabaseFindsTheSchedulesThroughItsIndex) {
    // The index is made on the statement's own expression: only then may the database use it.
    std::ifstream schemaFile(CALVENDRA_SCHEMA_FILE);
    std::stringstream schema;
    schema << schemaFile.rdbuf();
    EXPECT_THAT(schema.str(), HasSubstr(std::string("CREATE INDEX IF NOT EXISTS ") +
                                        catalogue::kRemindTimeIndex +
                                        " ON assist_scheduleinfo (" + catalogue::kRemindTimeKey +
                                        ");"));

    const std::string query = statements::SelectSchedulesDueForScan({"14:30", "other"});
    std::string plan;
    if (GetParam() == Backend::kSqlite) {
        for (const auto& row : Database().Query("explain query plan " + query)) {
            plan += row.back() + "\n";
        }
    } else {
        // The table is small enough for the planner to prefer reading it whole.
        for (const auto& row :
             Database().Query("set enable_seqscan = off; explain " + query)) {
            plan += row.front() + "\n";
        }
    }
    EXPECT_THAT(plan, HasSubstr(catalogue::kRemindTimeIndex));
}

TEST_P(ScanNarrowingTest, ADatabaseWithoutTheIndexGetsEveryReminderAndOneLogLine) {
    const ScopedTimeZone zone("Europe/Berlin");
    const auto scanTwice = [this](RecordingDelivery& delivery) {
        std::time_t now = LocalTime(2024, 6, 12, 14, 30, 10);
        ReminderScanner scanner([&now] { return now; }, now, [this] { return &connection_; });
        scanner.SetDelivery(&delivery);
        scanner.Scan();
        now += 60;
        scanner.Scan();
    };
    RecordingDelivery indexed;
    {
        CapturedLog log;
        scanTwice(indexed);
        EXPECT_THAT(log.Text(), ::testing::Not(HasSubstr(catalogue::kRemindTimeIndex)));
    }
    EXPECT_GT(indexed.calls.size(), 10u);

    Database().Execute(std::string("drop index ") + catalogue::kRemindTimeIndex + ";");
    RecordingDelivery unindexed;
    CapturedLog log;
    scanTwice(unindexed);
    EXPECT_EQ(unindexed.calls, indexed.calls);
    const std::string text = log.Text();
    const std::string step = "Adding the newer tables to an existing database";
    EXPECT_THAT(text, HasSubstr(catalogue::kRemindTimeIndex));
    ASSERT_THAT(text, HasSubstr(step));
    EXPECT_EQ(text.find(step), text.rfind(step)) << "said more than once:\n" << text;
}

CALVENDRA_FOR_EACH_BACKEND(ScanNarrowingTest);

}  // namespace
}  // namespace calvendra
