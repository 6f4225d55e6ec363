#include "reminders/reminder_scanner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/connection_health.h"
#include "store/db_connection.h"
#include "store/statements.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/database_test.h"
#include "tests/support/lock_holder.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::CapturedLog;
using testing::DatabaseTest;
using ::testing::HasSubstr;
using testing::LocalText;
using testing::LocalTime;
using testing::LockHolder;
using testing::RecordingDelivery;
using testing::ScopedTimeZone;
using testing::UtcTime;
using Calls = std::vector<std::string>;

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// One schedule row. remind, remindtype and emailremind are SQL literals, so that a test can store
// NULL or a word; the other values are texts.
struct Row {
    Identifier id = 0;
    std::string subject;
    std::string time = "14:30:00";
    std::string type = "3";
    std::string week = "0";
    std::string date;
    std::string remind = "1";
    std::string email = "0";
};

std::string InsertText(const Row& row) {
    return "insert into assist_scheduleinfo values(" + Quoted(std::to_string(row.id)) +
           ",'2000000001'," + Quoted(row.subject) + "," + Quoted("about " + row.subject) + "," +
           row.remind + "," + row.type + "," + Quoted(row.week) + "," + Quoted(row.date) + "," +
           Quoted(row.time) + "," + row.email + ");";
}

Row Daily(Identifier id, const std::string& subject, const std::string& time) {
    Row row;
    row.id = id;
    row.subject = subject;
    row.time = time;
    return row;
}

Row Weekly(Identifier id, const std::string& subject, const std::string& week,
           const std::string& time) {
    Row row = Daily(id, subject, time);
    row.type = "2";
    row.week = week;
    return row;
}

Row SpecialDay(Identifier id, const std::string& subject, const std::string& date,
               const std::string& time) {
    Row row = Daily(id, subject, time);
    row.type = "1";
    row.date = date;
    return row;
}

Row Mailed(Row row) {
    row.email = "1";
    return row;
}

// A scanner on the organizer's data source, driven by a clock that the test sets. The delivery
// writes down the local time of each call with the call.
class ReminderScannerTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        // The connection's hold-backs after a failure run on a clock of the test's own.
        connection_.SetClock([this] { return steadyNow_; });
        ASSERT_TRUE(connection_.OpenConnection());
        delivery_.stamp = [this] { return LocalText(now_, stampFormat_); };
    }

    void Add(const std::vector<Row>& rows) {
        std::string sql = "begin;";
        for (const Row& row : rows) {
            sql += InsertText(row);
        }
        Database().Execute(sql + "commit;");
    }

    void Start(std::time_t start, std::time_t catchUp = ReminderScanner::kDefaultCatchUp) {
        now_ = start;
        scanner_ = std::make_unique<ReminderScanner>(
            [this] {
                if (throwingClock_) {
                    throw std::runtime_error("no clock");
                }
                return now_;
            },
            start, [this] { return connected_ ? &connection_ : nullptr; }, catchUp);
        scanner_->SetDelivery(&delivery_);
    }

    void TickAt(std::time_t instant) {
        now_ = instant;
        scanner_->Scan();
    }

    // A tick at second 30 of every minute from the one `from` lies in to the one `to` lies in.
    void TickEveryMinute(std::time_t from, std::time_t to) {
        for (std::time_t minute = from - from % 60; minute <= to; minute += 60) {
            TickAt(minute + 30);
        }
    }

    // Lets a busy database's hold on the connection pass.
    void LetTheHoldPass() { steadyNow_ += ConnectionHealth::kBusyHold; }

    ScopedTimeZone zone_{"Europe/Berlin"};
    std::chrono::steady_clock::time_point steadyNow_;
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
    bool connected_ = true;
    bool throwingClock_ = false;
    std::time_t now_ = 0;
    const char* stampFormat_ = "%H:%M";
    RecordingDelivery delivery_;
    std::unique_ptr<ReminderScanner> scanner_;
};

TEST_P(ReminderScannerTest, ADailyReminderFiresOnceInItsMinuteAndAgainTheNextDay) {
    Add({Daily(2000000002, "Standup", "14:30:00")});
    Start(LocalTime(2024, 6, 12, 14, 25, 10));
    TickEveryMinute(LocalTime(2024, 6, 12, 14, 25), LocalTime(2024, 6, 12, 14, 35));
    EXPECT_EQ(delivery_.calls, (Calls{"14:30 window Standup/about Standup"}));
    // One tick the next day, 24 hours on: the day in between is caught up on, once.
    TickAt(LocalTime(2024, 6, 13, 14, 35, 10));
    stampFormat_ = "%d %H:%M";
    TickEveryMinute(LocalTime(2024, 6, 13, 14, 36), LocalTime(2024, 6, 13, 14, 40));
    EXPECT_EQ(delivery_.calls,
              (Calls{"14:30 window Standup/about Standup", "14:35 window Standup/about Standup"}));
}

TEST_P(ReminderScannerTest, TimesAreReadAsTheRowsHoldThem) {
    Add({Daily(2000000002, "no seconds", "14:30"), Daily(2000000003, "short", "9:5:0"),
         Daily(2000000004, "carried", "13:90:00"), Daily(2000000005, "negative", "-1:30:00"),
         Daily(2000000006, "empty", ""), Daily(2000000007, "past midnight", "24:00:00"),
         Daily(2000000008, "word", "half past two")});
    Start(LocalTime(2024, 6, 12, 0, 0, 0));
    TickEveryMinute(LocalTime(2024, 6, 12, 9, 0), LocalTime(2024, 6, 12, 9, 10));
    TickEveryMinute(LocalTime(2024, 6, 12, 14, 25), LocalTime(2024, 6, 12, 14, 35));
    TickAt(LocalTime(2024, 6, 12, 23, 59, 59));
    EXPECT_EQ(delivery_.calls,
              (Calls{"09:05 window short/about short", "14:30 window carried/about carried"}));
}

TEST_P(ReminderScannerTest, ASpecialDayFiresOnItsDateWrittenWithoutLeadingZeros) {
    Add({SpecialDay(2000000002, "blanks", "  2005-3-7 ", "10:00:00"),
         SpecialDay(2000000003, "zeros", "2005-03-07", "10:00:00"),
         SpecialDay(2000000004, "other day", "2005-3-8", "10:00:00")});
    stampFormat_ = "%Y-%m-%d %H:%M";
    Start(LocalTime(2005, 3, 7, 9, 58, 0));
    TickEveryMinute(LocalTime(2005, 3, 7, 9, 58), LocalTime(2005, 3, 7, 10, 2));
    TickAt(LocalTime(2005, 3, 7, 23, 0, 0));
    EXPECT_EQ(delivery_.calls, (Calls{"2005-03-07 10:00 window blanks/about blanks"}));
}

TEST_P(ReminderScannerTest, AWeeklyReminderFiresOnItsWeekdayOnly) {
    Add({Weekly(2000000002, "sunday", "0", "12:00:00"),
         Weekly(2000000003, "no such day", "7", "12:00:00")});
    stampFormat_ = "%a %H:%M";
    Start(LocalTime(2024, 6, 10, 0, 0, 0));  // a Monday
    for (std::time_t tick = LocalTime(2024, 6, 10, 6, 0, 30); tick < LocalTime(2024, 6, 24, 0, 0);
         tick += 6 * 60 * 60) {
        TickAt(tick);
    }
    EXPECT_EQ(delivery_.calls, (Calls{"Sun 12:00 window sunday/about sunday",
                                      "Sun 12:00 window sunday/about sunday"}));
}

TEST_P(ReminderScannerTest, OnlyARemindOfOneFires) {
    std::vector<Row> rows;
    Identifier id = 2000000002;
    for (const char* remind : {"0", "NULL", "2", "-1"}) {
        Row row = Daily(id++, std::string("remind ") + remind, "14:30:00");
        row.remind = remind;
        rows.push_back(row);
    }
    if (GetParam() == Backend::kSqlite) {
        // Only SQLite keeps a word in an integer column.
        Row row = Daily(id++, "remind word", "14:30:00");
        row.remind = "'yes'";
        rows.push_back(row);
    }
    rows.push_back(Daily(id++, "remind 1", "14:30:00"));
    Add(rows);
    Start(LocalTime(2024, 6, 12, 14, 29, 50));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    EXPECT_EQ(delivery_.calls, (Calls{"14:30 window remind 1/about remind 1"}));
}

TEST_P(ReminderScannerTest, DeliversExactlyWhatTheRowsAskInAscendingIdWindowBeforeMail) {
    Row off = Mailed(Daily(2000000006, "off", "14:30:00"));
    off.remind = "0";
    Row mailTwo = Daily(2000000008, "mail 2", "14:30:00");
    mailTwo.email = "2";
    Add({Mailed(Daily(2000000009, "ninth", "14:30:00")), Daily(2000000003, "third", "14:30:00"),
         Mailed(Daily(2000000002, "second", "14:30:00")), off, mailTwo,
         Mailed(Daily(2000000007, "later", "14:31:00")),
         Mailed(Weekly(2000000005, "tuesday", "2", "14:30:00")),
         Mailed(SpecialDay(2000000004, "today", "2024-6-12", "14:30:00")),
         Mailed(SpecialDay(2000000010, "tomorrow", "2024-6-13", "14:30:00")),
         // Beyond the 32-bit range: the id reaches the mail as stored.
         Mailed(Daily(2999999999, "last", "14:30:00"))});
    Start(LocalTime(2024, 6, 12, 14, 30, 0));  // a Wednesday
    TickAt(LocalTime(2024, 6, 12, 14, 30, 59));
    EXPECT_EQ(
        delivery_.calls,
        (Calls{"14:30 window second/about second", "14:30 mail second/about second/2000000002",
               "14:30 window third/about third", "14:30 window today/about today",
               "14:30 mail today/about today/2000000004", "14:30 window mail 2/about mail 2",
               "14:30 window ninth/about ninth", "14:30 mail ninth/about ninth/2000000009",
               "14:30 window last/about last", "14:30 mail last/about last/2999999999"}));
}

TEST_P(ReminderScannerTest, WithoutAConnectionATickDoesNothingAndLeavesItsMinutesForLater) {
    Add({Daily(2000000002, "Standup", "14:30:00")});
    connected_ = false;
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    EXPECT_TRUE(delivery_.calls.empty());
    connected_ = true;
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_EQ(delivery_.calls, (Calls{"14:31 window Standup/about Standup"}));
}

TEST_P(ReminderScannerTest, AnEmptyTableDeliversNothingAndItsMinutesCountAsScanned) {
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    EXPECT_TRUE(delivery_.calls.empty());
    // A schedule stored afterwards for that minute is not reminded late.
    Add({Daily(2000000002, "Standup", "14:30:00")});
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_TRUE(delivery_.calls.empty());
}

TEST_P(ReminderScannerTest, WithoutADeliveryDueRemindersAreDropped) {
    Add({Daily(2000000002, "Standup", "14:30:00")});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    scanner_->SetDelivery(nullptr);
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    scanner_->SetDelivery(&delivery_);
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_TRUE(delivery_.calls.empty());
}

TEST_P(ReminderScannerTest, ALateTickStillDeliversTheMinuteItSkippedInTimeOrder) {
    Add({Daily(2000000002, "at 14:31", "14:31:00"), Daily(2000000003, "at 14:30", "14:30:00"),
         Daily(2000000004, "at 14:29", "14:29:00")});
    Start(LocalTime(2024, 6, 12, 14, 28, 0));
    TickAt(LocalTime(2024, 6, 12, 14, 29, 59));
    TickAt(LocalTime(2024, 6, 12, 14, 31, 1));
    EXPECT_EQ(delivery_.calls,
              (Calls{"14:29 window at 14:29/about at 14:29", "14:31 window at 14:30/about at 14:30",
                     "14:31 window at 14:31/about at 14:31"}));
}

TEST_P(ReminderScannerTest, ALateTickAcrossMidnightGivesEachMinuteItsOwnDateAndWeekday) {
    // Saturday 15 June 2024 turns into Sunday.
    Add({Weekly(2000000002, "sunday 00:00", "0", "00:00:00"),
         SpecialDay(2000000003, "16th 00:00", "2024-6-16", "00:00:00"),
         SpecialDay(2000000004, "15th 23:59", "2024-6-15", "23:59:00"),
         Weekly(2000000005, "saturday 23:59", "6", "23:59:00"),
         SpecialDay(2000000006, "16th 23:59", "2024-6-16", "23:59:00"),
         Weekly(2000000007, "sunday 23:59", "0", "23:59:00"),
         Daily(2000000008, "daily 00:01", "00:01:00"),
         Weekly(2000000009, "saturday 00:00", "6", "00:00:00")});
    Start(LocalTime(2024, 6, 15, 23, 58, 0));
    TickAt(LocalTime(2024, 6, 15, 23, 58, 59));
    TickAt(LocalTime(2024, 6, 16, 0, 1, 1));
    EXPECT_EQ(delivery_.calls, (Calls{"00:01 window 15th 23:59/about 15th 23:59",
                                      "00:01 window saturday 23:59/about saturday 23:59",
                                      "00:01 window sunday 00:00/about sunday 00:00",
                                      "00:01 window 16th 00:00/about 16th 00:00",
                                      "00:01 window daily 00:01/about daily 00:01"}));
}

TEST_P(ReminderScannerTest, TwoTicksInOneMinuteDeliverOnce) {
    Add({Mailed(Daily(2000000002, "Standup", "14:30:00"))});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 5));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 55));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 59));
    EXPECT_EQ(delivery_.calls, (Calls{"14:30 window Standup/about Standup",
                                      "14:30 mail Standup/about Standup/2000000002"}));
}

TEST_P(ReminderScannerTest, AfterASleepOnlyTheLastDayIsCaughtUpOn) {
    // Asleep from Monday 08:00 to Thursday 09:00.
    Add({Daily(2000000002, "daily 10:00", "10:00:00"), Daily(2000000003, "daily 09:00", "09:00:00"),
         SpecialDay(2000000004, "wednesday 09:01", "2024-6-12", "09:01:00"),
         SpecialDay(2000000005, "wednesday 09:00", "2024-6-12", "09:00:00"),
         SpecialDay(2000000006, "tuesday", "2024-6-11", "12:00:00")});
    Start(LocalTime(2024, 6, 10, 8, 0, 0));
    TickAt(LocalTime(2024, 6, 10, 8, 0, 30));
    TickAt(LocalTime(2024, 6, 13, 9, 0, 30));
    EXPECT_EQ(delivery_.calls, (Calls{"09:00 window wednesday 09:01/about wednesday 09:01",
                                      "09:00 window daily 10:00/about daily 10:00",
                                      "09:00 window daily 09:00/about daily 09:00"}));
}

TEST_P(ReminderScannerTest, TheCatchUpReachIsTheScannersToChoose) {
    Add({Daily(2000000002, "09:30", "09:30:00"), Daily(2000000003, "08:30", "08:30:00")});
    Start(LocalTime(2024, 6, 12, 8, 0, 0), 60 * 60);
    TickAt(LocalTime(2024, 6, 12, 10, 0, 30));
    EXPECT_EQ(delivery_.calls, (Calls{"10:00 window 09:30/about 09:30"}));
}

TEST_P(ReminderScannerTest, AClockPutBackDoesNotBringBackMinutesAlreadyScanned) {
    Add({Daily(2000000002, "11:00", "11:00:00"), Daily(2000000003, "12:02", "12:02:00")});
    Start(LocalTime(2024, 6, 12, 10, 59, 0));
    TickEveryMinute(LocalTime(2024, 6, 12, 10, 59), LocalTime(2024, 6, 12, 12, 1));
    TickEveryMinute(LocalTime(2024, 6, 12, 11, 0), LocalTime(2024, 6, 12, 12, 4));
    EXPECT_EQ(delivery_.calls,
              (Calls{"11:00 window 11:00/about 11:00", "12:02 window 12:02/about 12:02"}));
}

TEST_P(ReminderScannerTest, AClockThatWasAheadAndIsPutRightRemindsAtOnce) {
    Add({Daily(2000000002, "12:00", "12:00:00"), Daily(2000000003, "14:00", "14:00:00"),
         Daily(2000000004, "14:02", "14:02:00"), Daily(2000000005, "11:00", "11:00:00")});
    // Started two hours ahead; the clock is put right after two ticks.
    Start(LocalTime(2024, 6, 12, 14, 0, 0));
    TickEveryMinute(LocalTime(2024, 6, 12, 14, 0), LocalTime(2024, 6, 12, 14, 1));
    TickEveryMinute(LocalTime(2024, 6, 12, 12, 0), LocalTime(2024, 6, 12, 14, 3));
    EXPECT_EQ(delivery_.calls,
              (Calls{"14:00 window 14:00/about 14:00", "12:00 window 12:00/about 12:00",
                     "14:02 window 14:02/about 14:02"}));
}

TEST_P(ReminderScannerTest, OnTheSpringDayTheSkippedHourFiresAnHourLater) {
    // 31 March 2024: 02:00 CET becomes 03:00 CEST.
    Add({Daily(2000000001, "01:59", "01:59:00"), Daily(2000000002, "02:00", "02:00:00"),
         Daily(2000000003, "02:30", "02:30:00"), Daily(2000000004, "02:59", "02:59:00"),
         Daily(2000000005, "03:00", "03:00:00"), Daily(2000000006, "03:30", "03:30:00")});
    stampFormat_ = "%H:%M%z";
    Start(UtcTime(2024, 3, 31, 0, 55));
    TickEveryMinute(UtcTime(2024, 3, 31, 0, 55), UtcTime(2024, 3, 31, 2, 5));
    EXPECT_EQ(
        delivery_.calls,
        (Calls{"01:59+0100 window 01:59/about 01:59", "03:00+0200 window 02:00/about 02:00",
               "03:00+0200 window 03:00/about 03:00", "03:30+0200 window 02:30/about 02:30",
               "03:30+0200 window 03:30/about 03:30", "03:59+0200 window 02:59/about 02:59"}));
}

TEST_P(ReminderScannerTest, OnTheAutumnDayTheRepeatedHourFiresOnce) {
    // 27 October 2024: 03:00 CEST becomes 02:00 CET.
    Add({Daily(2000000002, "02:00", "02:00:00"), Daily(2000000003, "02:30", "02:30:00"),
         Daily(2000000004, "02:59", "02:59:00"), Daily(2000000005, "03:00", "03:00:00")});
    stampFormat_ = "%H:%M%z";
    Start(UtcTime(2024, 10, 26, 23, 55));
    TickEveryMinute(UtcTime(2024, 10, 26, 23, 55), UtcTime(2024, 10, 27, 2, 5));
    EXPECT_EQ(
        delivery_.calls,
        (Calls{"02:00+0200 window 02:00/about 02:00", "02:30+0200 window 02:30/about 02:30",
               "02:59+0200 window 02:59/about 02:59", "03:00+0100 window 03:00/about 03:00"}));
}

// A daily reminder at every minute of a day the clock changes: each fires exactly once.
void ExpectEveryMinuteOfTheDayOnce(const RecordingDelivery& delivery) {
    std::map<std::string, int> count;
    for (const std::string& call : delivery.calls) {
        ++count[call];
    }
    EXPECT_EQ(count.size(), 24u * 60);
    for (const auto& [call, times] : count) {
        EXPECT_EQ(times, 1) << call;
    }
}

class ClockChangeDayTest : public ReminderScannerTest {
protected:
    void AddEveryMinuteOfTheDay() {
        std::vector<Row> rows;
        for (int hour = 0; hour < 24; ++hour) {
            for (int minute = 0; minute < 60; ++minute) {
                char time[16];
                std::snprintf(time, sizeof time, "%02d:%02d:00", hour, minute);
                rows.push_back(Daily(2000000002 + hour * 60 + minute, time, time));
            }
        }
        Add(rows);
        delivery_.stamp = nullptr;
    }
};

TEST_P(ClockChangeDayTest, TheSpringDayLosesNoReminder) {
    AddEveryMinuteOfTheDay();
    Start(LocalTime(2024, 3, 31, 0, 0, 0));
    TickAt(LocalTime(2024, 3, 31, 23, 59, 30));
    ExpectEveryMinuteOfTheDayOnce(delivery_);
}

TEST_P(ClockChangeDayTest, TheAutumnDayRepeatsNoReminder) {
    AddEveryMinuteOfTheDay();
    Start(LocalTime(2024, 10, 27, 0, 0, 0));
    TickAt(LocalTime(2024, 10, 27, 12, 0, 30));
    TickAt(LocalTime(2024, 10, 27, 23, 59, 30));
    TickAt(LocalTime(2024, 10, 27, 23, 59, 55));
    ExpectEveryMinuteOfTheDayOnce(delivery_);
}

TEST_P(ReminderScannerTest, ADeliveryMayChangeTheTableWhileTheScanReadsItsSnapshot) {
    Add({Mailed(Daily(2000000002, "first", "14:30:00")), Daily(2000000003, "second", "14:30:00")});
    bool statementsRan = false;
    delivery_.onWindow = [&](const std::string& subject) {
        if (subject != "first") {
            return;
        }
        // The next schedule goes and a new one comes while the scan is half way.
        statements::ScheduleFields fields;
        fields.subject = "newcomer";
        fields.remind = 1;
        fields.remindType = 3;
        fields.remindTime = "14:30:00";
        statementsRan = connection_.ExecuteStatement(statements::DeleteSchedule(2000000003)) &&
                        connection_.ExecuteStatement(
                            statements::InsertSchedule(2000000004, 2000000001, fields));
    };
    Start(LocalTime(2024, 6, 12, 14, 30, 0));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 30));
    EXPECT_TRUE(statementsRan);
    EXPECT_EQ(delivery_.calls,
              (Calls{"14:30 window first/about first", "14:30 mail first/about first/2000000002",
                     "14:30 window second/about second"}));
    EXPECT_EQ(Database().QueryValue("select schedule_id from assist_scheduleinfo "
                                    "where schedule_id <> '2000000002'"),
              "2000000004");
}

TEST_P(ReminderScannerTest, AFailingDeliveryCallDoesNotStopTheScan) {
    Add({Mailed(Daily(2000000002, "first", "14:30:00")),
         Mailed(Daily(2000000003, "second", "14:30:00")), Daily(2000000004, "third", "14:30:00")});
    delivery_.onWindow = [](const std::string& subject) {
        if (subject == "first") {
            throw std::runtime_error("no window");
        }
    };
    delivery_.onMail = [](const std::string& subject) {
        if (subject == "second") {
            throw 42;
        }
    };
    Start(LocalTime(2024, 6, 12, 14, 30, 0));
    const CapturedLog log;
    TickAt(LocalTime(2024, 6, 12, 14, 30, 30));
    EXPECT_EQ(
        delivery_.calls,
        (Calls{"14:30 window first/about first", "14:30 mail first/about first/2000000002",
               "14:30 window second/about second", "14:30 mail second/about second/2000000003",
               "14:30 window third/about third"}));
    // Nothing is shown; the log says which schedule failed and why.
    EXPECT_THAT(log.Text(), HasSubstr(": Reminder of schedule 2000000002: the note could not be "
                                      "opened: no window\n"));
    EXPECT_THAT(log.Text(), HasSubstr(": Reminder of schedule 2000000003: the mail could not be "
                                      "sent: an unknown failure\n"));
}

// The reason is logged when it first shows, not at every minute while it lasts.
TEST_P(ReminderScannerTest, SchedulesThatCannotBeReadAreLoggedOnceWhileTheReasonLasts) {
    Add({Daily(2000000002, "Standup", "14:32:00")});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    const auto failures = [](const std::string& log) {
        int count = 0;
        for (std::size_t at = log.find("could not read the schedules"); at != std::string::npos;
             at = log.find("could not read the schedules", at + 1)) {
            ++count;
        }
        return count;
    };
    const CapturedLog log;
    Database().Execute("alter table assist_scheduleinfo rename to moved_away");
    TickAt(LocalTime(2024, 6, 12, 14, 29, 30));
    TickAt(LocalTime(2024, 6, 12, 14, 30, 30));
    EXPECT_EQ(failures(log.Text()), 1);
    EXPECT_THAT(log.Text(), HasSubstr("assist_scheduleinfo"));

    Database().Execute("alter table moved_away rename to assist_scheduleinfo");
    TickAt(LocalTime(2024, 6, 12, 14, 31, 30));
    Database().Execute("alter table assist_scheduleinfo rename to moved_away");
    TickAt(LocalTime(2024, 6, 12, 14, 32, 30));
    EXPECT_EQ(failures(log.Text()), 2);
    EXPECT_TRUE(delivery_.calls.empty());
    // The minute that could not be read is caught up once the table is back.
    Database().Execute("alter table moved_away rename to assist_scheduleinfo");
    TickAt(LocalTime(2024, 6, 12, 14, 33, 30));
    EXPECT_EQ(delivery_.calls, (Calls{"14:33 window Standup/about Standup"}));
}

// The other program holds the database longer than the scan waits for a lock.
TEST_P(ReminderScannerTest, ALockedDatabaseDelaysRemindersButLosesNone) {
    Add({Mailed(Daily(2000000002, "Standup", "14:30:00")), Daily(2000000003, "later", "14:32:00")});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    const CapturedLog log;
    {
        const LockHolder lock(Database());
        TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    }
    // Within the moment the connection is held back, the next tick reads nothing either.
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_TRUE(delivery_.calls.empty());
    EXPECT_THAT(log.Text(), HasSubstr("could not read the schedules: "));
    EXPECT_THAT(log.Text(), HasSubstr("lock"));

    LetTheHoldPass();
    TickAt(LocalTime(2024, 6, 12, 14, 32, 10));
    EXPECT_EQ(delivery_.calls, (Calls{"14:32 window Standup/about Standup",
                                      "14:32 mail Standup/about Standup/2000000002",
                                      "14:32 window later/about later"}));
    // Caught up once: the minutes now count as scanned.
    TickAt(LocalTime(2024, 6, 12, 14, 33, 10));
    EXPECT_EQ(delivery_.calls.size(), 3u);
}

TEST_P(ReminderScannerTest, AFailingClockEndsOnlyThatTick) {
    Add({Daily(2000000002, "Standup", "14:30:00")});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    throwingClock_ = true;
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    EXPECT_TRUE(delivery_.calls.empty());
    throwingClock_ = false;
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_EQ(delivery_.calls, (Calls{"14:31 window Standup/about Standup"}));
}

TEST_P(ReminderScannerTest, ATickArrivingWhileADeliveryRunsDoesNothing) {
    Add({Daily(2000000002, "first", "14:30:00"), Daily(2000000003, "also first", "14:30:00"),
         Daily(2000000004, "second", "14:31:00")});
    Start(LocalTime(2024, 6, 12, 14, 30, 0));
    delivery_.stamp = nullptr;
    delivery_.onWindow = [this](const std::string& subject) {
        if (subject == "first") {
            // A nested event loop lets the next timer tick in, a minute later.
            TickAt(LocalTime(2024, 6, 12, 14, 31, 30));
        }
    };
    TickAt(LocalTime(2024, 6, 12, 14, 30, 30));
    TickAt(LocalTime(2024, 6, 12, 14, 31, 40));
    EXPECT_EQ(delivery_.calls,
              (Calls{"window first/about first", "window also first/about also first",
                     "window second/about second"}));
}

// Only a server can drop a connection from its side.
class LostConnectionScanTest : public ReminderScannerTest {};

TEST_P(LostConnectionScanTest, TheConnectionIsOpenedAgainAndTheMissedMinutesAreCaughtUp) {
    Add({Daily(2000000002, "Standup", "14:30:00")});
    Start(LocalTime(2024, 6, 12, 14, 29, 0));
    Database().Execute(
        "select pg_terminate_backend(pid) from pg_stat_activity where datname = "
        "current_database() and pid <> pg_backend_pid()");
    const CapturedLog log;
    TickAt(LocalTime(2024, 6, 12, 14, 30, 10));
    EXPECT_TRUE(delivery_.calls.empty());
    EXPECT_THAT(log.Text(), HasSubstr("could not read the schedules: "));
    TickAt(LocalTime(2024, 6, 12, 14, 31, 10));
    EXPECT_EQ(delivery_.calls, (Calls{"14:31 window Standup/about Standup"}));
    EXPECT_THAT(log.Text(), HasSubstr("is open again"));
}

CALVENDRA_FOR_EACH_BACKEND(ReminderScannerTest);
INSTANTIATE_TEST_SUITE_P(Server, LostConnectionScanTest, ::testing::Values(Backend::kPostgres),
                         testing::BackendParamName);
CALVENDRA_FOR_EACH_BACKEND(ClockChangeDayTest);

}  // namespace
}  // namespace calvendra
