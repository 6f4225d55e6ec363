#include "reminders/snooze.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "reminders/snoozed_reminders.h"
#include "tests/reminders/reminder_test_support.h"

namespace calvendra {
namespace {

using testing::LocalTime;
using testing::ScopedTimeZone;

TEST(SnoozeUntil, AddsTheChosenMinutesOrTakesTheDueTimeOnTheNextLocalDay) {
    ScopedTimeZone zone("Europe/Berlin");
    const struct {
        SnoozeChoice choice;
        std::time_t now, due, expected;
    } cases[] = {
        {SnoozeChoice::kFiveMinutes, LocalTime(2026, 6, 14, 8, 1), LocalTime(2026, 6, 14, 8, 0),
         LocalTime(2026, 6, 14, 8, 6)},
        {SnoozeChoice::kTenMinutes, LocalTime(2026, 6, 14, 8, 1), LocalTime(2026, 6, 14, 8, 0),
         LocalTime(2026, 6, 14, 8, 11)},
        {SnoozeChoice::kFifteenMinutes, LocalTime(2026, 6, 14, 23, 50),
         LocalTime(2026, 6, 14, 23, 50), LocalTime(2026, 6, 15, 0, 5)},
        {SnoozeChoice::kThirtyMinutes, LocalTime(2026, 6, 14, 8, 1), LocalTime(2026, 6, 14, 8, 0),
         LocalTime(2026, 6, 14, 8, 31)},
        {SnoozeChoice::kOneHour, LocalTime(2026, 6, 14, 8, 1), LocalTime(2026, 6, 14, 8, 0),
         LocalTime(2026, 6, 14, 9, 1)},
        // Tomorrow: the clock time it was due, on the day after the snooze.
        {SnoozeChoice::kTomorrow, LocalTime(2026, 6, 14, 8, 20), LocalTime(2026, 6, 14, 8, 0),
         LocalTime(2026, 6, 15, 8, 0)},
        {SnoozeChoice::kTomorrow, LocalTime(2026, 12, 31, 21, 0), LocalTime(2026, 12, 31, 21, 0),
         LocalTime(2027, 1, 1, 21, 0)},
        // A note due yesterday and snoozed today comes back tomorrow, not today.
        {SnoozeChoice::kTomorrow, LocalTime(2026, 6, 15, 7, 0), LocalTime(2026, 6, 14, 22, 30),
         LocalTime(2026, 6, 16, 22, 30)},
        // Across the change to summer time: 23 hours later, at the same clock time.
        {SnoozeChoice::kTomorrow, LocalTime(2026, 3, 28, 9, 0), LocalTime(2026, 3, 28, 9, 0),
         LocalTime(2026, 3, 29, 9, 0)},
        // And back: 25 hours.
        {SnoozeChoice::kTomorrow, LocalTime(2026, 10, 24, 9, 0), LocalTime(2026, 10, 24, 9, 0),
         LocalTime(2026, 10, 25, 9, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SnoozeUntil(c.choice, c.now, c.due), c.expected) << SnoozeLabel(c.choice);
    }
    EXPECT_EQ(LocalTime(2026, 3, 29, 9, 0) - LocalTime(2026, 3, 28, 9, 0), 23 * 3600);
    EXPECT_EQ(LocalTime(2026, 10, 25, 9, 0) - LocalTime(2026, 10, 24, 9, 0), 25 * 3600);
}

class SnoozedRemindersTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "calvendra-snooze.XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        path_ = folder_ + "/state/calvendra/snoozed-reminders";
    }
    void TearDown() override {
        chmod(folder_.c_str(), 0700);
        std::filesystem::remove_all(folder_);
    }

    static SnoozedReminder Entry(Identifier schedule, std::time_t wake, const std::string& subject,
                                 const std::string& text) {
        SnoozedReminder entry;
        entry.note = {schedule, 2000000002, subject, text, wake - 600};
        entry.wakeAt = wake;
        return entry;
    }

    std::string folder_;
    std::string path_;
};

// Texts with tabs, line ends and backslashes come back as they were, in a new run; what comes
// due leaves the file, earliest first; what does not stays for the next run.
TEST_F(SnoozedRemindersTest, ComeBackWholeAfterARestartAndLeaveTheFileWhenTaken) {
    std::string why;
    {
        SnoozedReminders book(path_);
        ASSERT_TRUE(book.Load(why)) << why;
        EXPECT_TRUE(book.Waiting().empty());
        ASSERT_TRUE(book.Add(Entry(2000000012, 2000, "Later", "plain"), why)) << why;
        ASSERT_TRUE(book.Add(Entry(2000000011, 1000, "Tab\there", "Line 1\nLine 2\r\n\\n"), why))
            << why;
        ASSERT_TRUE(book.Add(Entry(2000000013, 1500, "", ""), why)) << why;
    }
    SnoozedReminders again(path_);
    ASSERT_TRUE(again.Load(why)) << why;
    EXPECT_TRUE(why.empty()) << why;
    ASSERT_EQ(again.Waiting().size(), 3u);

    EXPECT_TRUE(again.TakeDue(999, why).empty());
    const std::vector<SnoozedReminder> due = again.TakeDue(1500, why);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].note.scheduleId, 2000000011);
    EXPECT_EQ(due[0].note.groupId, 2000000002);
    EXPECT_EQ(due[0].note.subject, "Tab\there");
    EXPECT_EQ(due[0].note.text, "Line 1\nLine 2\r\n\\n");
    EXPECT_EQ(due[0].note.due, 400);
    EXPECT_EQ(due[1].note.scheduleId, 2000000013);

    SnoozedReminders third(path_);
    ASSERT_TRUE(third.Load(why)) << why;
    ASSERT_EQ(third.Waiting().size(), 1u);
    EXPECT_EQ(third.Waiting()[0].note.subject, "Later");
    EXPECT_EQ(third.Waiting()[0].wakeAt, 2000);
}

TEST_F(SnoozedRemindersTest, ALineThatHoldsNoReminderIsNamedAndTheOthersAreKept) {
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
    std::ofstream(path_) << "calvendra snoozed reminders 1\n"
                         << "100\t40\t2000000011\t2000000001\tGood\ttext\n"
                         << "not a reminder\n"
                         << "100\t40\t2000000012\t2000000001\tBad escape \\q\ttext\n"
                         << "200\t40\t2000000013\t2000000001\tAlso good\t\n";
    SnoozedReminders book(path_);
    std::string why;
    ASSERT_TRUE(book.Load(why));
    EXPECT_NE(why.find("skipped 2 line(s)"), std::string::npos) << why;
    EXPECT_NE(why.find("the first is line 3"), std::string::npos) << why;
    ASSERT_EQ(book.Waiting().size(), 2u);
    EXPECT_EQ(book.Waiting()[1].note.subject, "Also good");
}

TEST_F(SnoozedRemindersTest, AFolderThatCannotBeWrittenIsSaidAndTheReminderStaysForThisRun) {
    if (geteuid() == 0) {
        // Root writes anywhere: a file in the folder's place stops it all the same.
        std::filesystem::create_directories(folder_ + "/state");
        std::ofstream(folder_ + "/state/calvendra") << "a file, not a folder";
    } else {
        chmod(folder_.c_str(), 0500);
    }
    SnoozedReminders book(path_);
    std::string why;
    book.Load(why);
    EXPECT_FALSE(book.Add(Entry(2000000011, 1000, "Kept", ""), why));
    EXPECT_NE(why.find(path_), std::string::npos) << why;
    ASSERT_EQ(book.TakeDue(1000, why).size(), 1u);
}

}  // namespace
}  // namespace calvendra
