#include "reminders/missed_minutes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/reminders/reminder_test_support.h"

namespace calvendra {
namespace {

using testing::LocalTime;
using testing::ScopedTimeZone;

TEST(MissedMinutes, CoverTheStopUpToTheStartsMinuteAtMostSevenDaysBack) {
    ScopedTimeZone zone("Europe/Berlin");
    const std::time_t start = LocalTime(2026, 6, 14, 12, 0, 30);
    const struct {
        const char* what;
        std::time_t scannedUntil;
        std::size_t count;
        std::time_t first;
    } cases[] = {
        {"a stop of three hours", LocalTime(2026, 6, 14, 9, 0), 180, LocalTime(2026, 6, 14, 9, 0)},
        {"a stop of eight days, clamped", LocalTime(2026, 6, 6, 12, 0), 7 * 24 * 60,
         LocalTime(2026, 6, 7, 12, 0)},
        {"a restart in the same minute", LocalTime(2026, 6, 14, 12, 0), 0, 0},
        {"a clock put back since", LocalTime(2026, 6, 14, 13, 0), 0, 0},
    };
    for (const auto& c : cases) {
        const std::vector<LocalMinute> minutes = MissedMinutes(c.scannedUntil, start);
        ASSERT_EQ(minutes.size(), c.count) << c.what;
        if (!minutes.empty()) {
            EXPECT_EQ(minutes.front().start, c.first) << c.what;
            EXPECT_EQ(minutes.back().end, LocalTime(2026, 6, 14, 12, 0)) << c.what;
        }
    }
    // The night the clocks go forward has an hour less.
    const std::vector<LocalMinute> spring =
        MissedMinutes(LocalTime(2026, 3, 29, 1, 0), LocalTime(2026, 3, 29, 4, 0));
    EXPECT_EQ(spring.size(), 120u);
}

DueReminder Due(std::size_t minute, Identifier schedule, bool mail) {
    DueReminder due;
    due.minute = minute;
    due.scheduleId = schedule;
    due.groupId = 2000000001;
    due.subject = "S" + std::to_string(schedule);
    due.mail = mail;
    return due;
}

// One entry a schedule, at its latest minute; its mail goes only when less than an hour late.
TEST(MissedReminders, AreOneEntryAScheduleAndMailOnlyWithinTheHour) {
    ScopedTimeZone zone("Europe/Berlin");
    const std::time_t now = LocalTime(2026, 6, 14, 12, 0);
    const std::vector<LocalMinute> minutes = MissedMinutes(now - 3 * 3600, now);
    ASSERT_EQ(minutes.size(), 180u);
    const std::size_t sixtyLate = 120;  // 11:00
    const std::vector<DueReminder> due = {
        Due(0, 2000000005, true),         Due(30, 2000000003, true),  Due(119, 2000000004, true),
        Due(sixtyLate, 2000000002, true), Due(150, 2000000005, true), Due(170, 2000000006, false),
    };
    const std::vector<MissedReminder> missed = MissedReminders(minutes, due, now);
    ASSERT_EQ(missed.size(), 5u);
    const struct {
        Identifier id;
        std::time_t due;
        bool mailInTime;
    } expected[] = {
        {2000000003, now - 150 * 60, false}, {2000000004, now - 61 * 60, false},
        {2000000002, now - 60 * 60, false},  {2000000005, now - 30 * 60, true},
        {2000000006, now - 10 * 60, false},
    };
    for (std::size_t i = 0; i < missed.size(); ++i) {
        EXPECT_EQ(missed[i].note.scheduleId, expected[i].id) << i;
        EXPECT_EQ(missed[i].note.due, expected[i].due) << i;
        EXPECT_EQ(missed[i].mailInTime, expected[i].mailInTime) << i;
    }
    EXPECT_FALSE(missed[4].mail);
    EXPECT_TRUE(MissedMailInTime(now - 59 * 60 - 59, now));
    EXPECT_FALSE(MissedMailInTime(now - 60 * 60, now));
}

TEST(ScanMark, IsKeptBetweenRunsAndAFileThatHoldsNoMarkIsSaid) {
    const std::string folder = std::filesystem::temp_directory_path() / "calvendra-mark-test";
    std::filesystem::remove_all(folder);
    const ScanMark mark(folder + "/calvendra/last-scanned-minute");
    std::string why;
    EXPECT_FALSE(mark.Read(why));
    EXPECT_TRUE(why.empty()) << why;
    ASSERT_TRUE(mark.Write(1781431200, why)) << why;
    EXPECT_EQ(ScanMark(folder + "/calvendra/last-scanned-minute").Read(why), 1781431200);

    std::ofstream(folder + "/calvendra/last-scanned-minute") << "yesterday";
    EXPECT_FALSE(mark.Read(why));
    EXPECT_NE(why.find("does not hold the end of a scanned minute"), std::string::npos) << why;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace calvendra
