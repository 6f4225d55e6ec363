// The reminder scan with its schedules read on a thread of its own, against the scan that reads
// them on the window thread as the reference: the same reminders in the same order, the same
// minutes caught up after a failure, and nothing after the scanner is gone.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "reminders/reminder_scanner.h"
#include "store/connection_health.h"
#include "store/db_connection.h"
#include "store/reading_thread.h"
#include "tests/reminders/reminder_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/database_test.h"
#include "tests/support/lock_holder.h"
#include "tests/support/task_inbox.h"

namespace calvendra {
namespace {

using testing::CapturedLog;
using testing::DatabaseTest;
using ::testing::HasSubstr;
using testing::LocalText;
using testing::LocalTime;
using testing::LockHolder;
using testing::RecordingDelivery;
using testing::ScopedTimeZone;
using testing::TaskInbox;
using Calls = std::vector<std::string>;

// Schedules of every kind: each type, times that carry and times that never fire, special days
// around the scanned days, weekdays in and out of range, reminders off or written as words, and
// mail asked for or not. Many fall due in the minutes the tests scan.
std::string RandomSchedules(int count, testing::Backend backend) {
    std::mt19937 random(4);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const std::string times[] = {"14:30:00", "14:31:00", "14:35:10", "13:90:00", "9:5:0",
                                 "14:30",    "",         "-1:30:00", "23:59:00", "0:00:00"};
    // Only SQLite keeps a word in an integer column.
    const std::string word = backend == testing::Backend::kSqlite ? "'1x'" : "1";
    const std::string remind[] = {"1", "1", "1", "0", "2", word, "NULL"};
    std::string sql = "begin;";
    for (int row = 0; row < count; ++row) {
        const int type = pick(0, 3);
        const std::string date =
            "2024-6-" + std::to_string(pick(11, 15)) + (pick(0, 5) == 0 ? " " : "");
        sql += "insert into assist_scheduleinfo values('" + std::to_string(2000000002L + row) +
               "','2000000001','Subject " + std::to_string(row) + "','Text " + std::to_string(row) +
               "'," + remind[pick(0, 6)] + "," + std::to_string(type) + ",'" +
               std::to_string(pick(0, 7)) + "','" + date + "','" +
               times[static_cast<std::size_t>(pick(0, 9))] + "'," + std::to_string(pick(0, 1)) +
               ");";
    }
    return sql + "commit;";
}

class BackgroundScanTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        ASSERT_TRUE(connection_.OpenConnection());
        reference_.stamp = [this] { return LocalText(now_, "%d %H:%M"); };
        background_.stamp = reference_.stamp;
    }

    // The reader's own connection runs its hold-backs on the test's clock too.
    std::unique_ptr<ReadingThread> MakeReader() {
        return std::make_unique<ReadingThread>(
            [this] {
                auto connection = std::make_unique<CDBConnection>("Calvendra", "opal", "kelp");
                connection->SetClock([this] { return steadyNow_; });
                return connection;
            },
            [this](std::function<void()> task) { inbox_.Post(std::move(task)); });
    }

    std::unique_ptr<ReminderScanner> MakeScanner(std::time_t start, RecordingDelivery& delivery) {
        auto scanner = std::make_unique<ReminderScanner>([this] { return now_; }, start,
                                                         [this] { return &connection_; });
        scanner->SetDelivery(&delivery);
        return scanner;
    }

    ScopedTimeZone zone_{"Europe/Berlin"};
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
    std::chrono::steady_clock::time_point steadyNow_;
    std::time_t now_ = 0;
    TaskInbox inbox_;
    RecordingDelivery reference_;
    RecordingDelivery background_;
};

TEST_P(BackgroundScanTest, DeliversWhatTheScanOnTheWindowThreadDeliversInTheSameOrder) {
    Database().Execute(RandomSchedules(400, GetParam()));
    const std::time_t start = LocalTime(2024, 6, 12, 14, 20, 5);
    auto reference = MakeScanner(start, reference_);
    auto reader = MakeReader();
    auto scanner = MakeScanner(start, background_);
    scanner->SetBackgroundReader(reader.get());

    // Every minute for a while, a late tick, a night asleep, a day asleep, and the clock put back.
    std::vector<std::time_t> ticks;
    for (int minute = 0; minute < 20; ++minute) {
        ticks.push_back(LocalTime(2024, 6, 12, 14, 20 + minute, 30));
    }
    ticks.push_back(LocalTime(2024, 6, 12, 14, 47, 30));
    ticks.push_back(LocalTime(2024, 6, 13, 9, 6, 0));
    ticks.push_back(LocalTime(2024, 6, 14, 14, 32, 0));
    ticks.push_back(LocalTime(2024, 6, 14, 14, 29, 0));
    ticks.push_back(LocalTime(2024, 6, 14, 14, 36, 0));
    std::size_t readings = 0;
    for (const std::time_t tick : ticks) {
        now_ = tick;
        reference->Scan();
        scanner->Scan();
        // A tick with no minute left to scan (the clock put back) reads nothing.
        if (scanner->IsReadingInBackground()) {
            ++readings;
            ASSERT_TRUE(inbox_.RunNext());
            EXPECT_FALSE(scanner->IsReadingInBackground());
        }
    }
    EXPECT_EQ(readings, ticks.size() - 1);
    EXPECT_GT(reference_.calls.size(), 100u);
    EXPECT_EQ(background_.calls, reference_.calls);
}

TEST_P(BackgroundScanTest, TicksWhileAReadingIsAwayLeaveTheirMinutesToTheNextTick) {
    Database().Execute(RandomSchedules(200, GetParam()));
    const std::time_t start = LocalTime(2024, 6, 12, 14, 25, 5);
    auto reference = MakeScanner(start, reference_);
    auto reader = MakeReader();
    auto scanner = MakeScanner(start, background_);
    scanner->SetBackgroundReader(reader.get());
    reference_.stamp = nullptr;
    background_.stamp = nullptr;

    for (int minute = 0; minute < 12; ++minute) {
        now_ = LocalTime(2024, 6, 12, 14, 25 + minute, 30);
        reference->Scan();
        scanner->Scan();
        // Every third reading comes back only after the next tick, which therefore does nothing.
        if (minute % 3 != 0) {
            ASSERT_TRUE(inbox_.RunNext());
        }
    }
    now_ = LocalTime(2024, 6, 12, 14, 37, 30);
    reference->Scan();
    scanner->Scan();
    ASSERT_TRUE(inbox_.RunNext());
    EXPECT_GT(reference_.calls.size(), 20u);
    EXPECT_EQ(background_.calls, reference_.calls);
}

// The other program holds the database longer than the reader waits for a lock.
TEST_P(BackgroundScanTest, ALockedDatabaseDelaysTheRemindersButLosesNone) {
    Database().Execute(
        "insert into assist_scheduleinfo values('2000000002','2000000001','Standup','about',1,3,"
        "'0','','14:30:00',1);");
    auto reader = MakeReader();
    auto scanner = MakeScanner(LocalTime(2024, 6, 12, 14, 29, 0), background_);
    scanner->SetBackgroundReader(reader.get());
    const CapturedLog log;
    {
        const LockHolder lock(Database());
        now_ = LocalTime(2024, 6, 12, 14, 30, 10);
        scanner->Scan();
        // The tick is over before the reader has met the lock: nothing waits on this thread.
        EXPECT_TRUE(scanner->IsReadingInBackground());
        EXPECT_TRUE(background_.calls.empty());
        ASSERT_TRUE(inbox_.RunNext());
    }
    EXPECT_TRUE(background_.calls.empty());
    EXPECT_THAT(log.Text(), HasSubstr("could not read the schedules: "));

    steadyNow_ += ConnectionHealth::kBusyHold;
    now_ = LocalTime(2024, 6, 12, 14, 31, 10);
    scanner->Scan();
    ASSERT_TRUE(inbox_.RunNext());
    EXPECT_EQ(background_.calls,
              (Calls{"12 14:31 window Standup/about", "12 14:31 mail Standup/about/2000000002"}));
}

TEST_P(BackgroundScanTest, AReadingThatComesBackAfterTheScannerWentIsDropped) {
    Database().Execute(
        "insert into assist_scheduleinfo values('2000000002','2000000001','Standup','about',1,3,"
        "'0','','14:30:00',0);");
    auto reader = MakeReader();
    auto scanner = MakeScanner(LocalTime(2024, 6, 12, 14, 29, 0), background_);
    scanner->SetBackgroundReader(reader.get());
    now_ = LocalTime(2024, 6, 12, 14, 30, 10);
    scanner->Scan();
    scanner.reset();
    ASSERT_TRUE(inbox_.RunNext());
    EXPECT_TRUE(background_.calls.empty());
}

// A reader that goes while it reads hands nothing back: the reads waiting never run, and what the
// read under way returns reaches nobody, even though the window thread's queue outlives it.
TEST_P(BackgroundScanTest, AReaderThatGoesWhileItReadsHandsNothingBack) {
    auto reader = MakeReader();
    std::promise<void> underWay;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool waitingReadRan = false;
    reader->Read<int>(
        [&](CDBConnection&) {
            underWay.set_value();
            released.wait();
            return 1;
        },
        [](int) {});
    reader->Read<int>(
        [&](CDBConnection&) {
            waitingReadRan = true;
            return 2;
        },
        [](int) {});
    underWay.get_future().wait();
    ReadingThread* const going = reader.get();
    std::thread destroying([&] { reader.reset(); });
    // The read ends only once the destructor has told the thread to go.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!going->Stopping() && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(going->Stopping());
    release.set_value();
    destroying.join();
    EXPECT_FALSE(waitingReadRan);
    EXPECT_TRUE(inbox_.Empty());
}

// The reader yields to the window thread: its reads run at a lower priority than the thread that
// made it, which keeps its own.
TEST_P(BackgroundScanTest, TheReaderYieldsToTheWindowThread) {
    const int windowThread = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    auto reader = MakeReader();
    std::promise<int> niceness;
    reader->Read<int>(
        [&](CDBConnection&) {
            niceness.set_value(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
            return 0;
        },
        [](int) {});
    std::future<int> read = niceness.get_future();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(read.get(), std::min(windowThread + ReadingThread::kNiceness, 19));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), windowThread);
}

// What the window thread lets go of through the reader (a replaced list) is freed on the reading
// thread.
TEST_P(BackgroundScanTest, TheReaderFreesWhatItIsGivenOnItsOwnThread) {
    struct Freed {
        std::shared_ptr<std::promise<std::thread::id>> where =
            std::make_shared<std::promise<std::thread::id>>();
        Freed() = default;
        Freed(Freed&&) = default;
        ~Freed() {
            if (where) {
                where->set_value(std::this_thread::get_id());
            }
        }
    };
    auto reader = MakeReader();
    Freed value;
    std::future<std::thread::id> freed = value.where->get_future();
    reader->LetGo(std::move(value));
    ASSERT_EQ(freed.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_NE(freed.get(), std::this_thread::get_id());
}

CALVENDRA_FOR_EACH_BACKEND(BackgroundScanTest);

}  // namespace
}  // namespace calvendra
