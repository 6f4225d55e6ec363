#include "reminders/local_time.h"

#include <gtest/gtest.h>

#include "tests/reminders/reminder_test_support.h"

namespace calvendra {
namespace {

using testing::LocalTime;
using testing::ScopedTimeZone;
using testing::UtcTime;

LocalDay Day(int year, int month, int day) {
    LocalDay result;
    result.year = year;
    result.month = month;
    result.day = day;
    return result;
}

TEST(WallClockSeconds, CarriesLikeTheCalendarLibrary) {
    // Every day of two centuries, leap days included, with hours and minutes out of range.
    const int times[][2] = {{0, 0}, {13, 90}, {-1, 30}, {23, 59}, {24, 0}, {-25, -61}, {100, 7}};
    for (std::time_t day = UtcTime(1899, 12, 25, 0, 0); day < UtcTime(2101, 1, 5, 0, 0);
         day += 86400) {
        std::tm fields{};
        gmtime_r(&day, &fields);
        const LocalDay local = Day(fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday);
        for (const auto& time : times) {
            std::tm expected = fields;
            expected.tm_hour = time[0];
            expected.tm_min = time[1];
            ASSERT_EQ(WallClockSeconds(local, time[0], time[1]), timegm(&expected))
                << local.year << "-" << local.month << "-" << local.day << " " << time[0] << ":"
                << time[1];
        }
    }
}

TEST(LocalMinuteAt, GivesTheMinuteWithItsDateTextAndWeekday) {
    ScopedTimeZone zone("Europe/Berlin");
    const std::time_t instant = LocalTime(2005, 3, 7, 14, 30, 45);
    const std::optional<LocalMinute> minute = LocalMinuteAt(instant);
    ASSERT_TRUE(minute);
    EXPECT_EQ(minute->start, LocalTime(2005, 3, 7, 14, 30, 0));
    EXPECT_EQ(minute->end, LocalTime(2005, 3, 7, 14, 31, 0));
    EXPECT_EQ(minute->day.dateText, "2005-3-7");
    EXPECT_EQ(minute->day.weekday, 1);  // a Monday
    EXPECT_EQ(LocalMinuteAt(LocalTime(2024, 12, 29, 0, 0, 0))->day.weekday, 0);
    EXPECT_EQ(LocalMinuteAt(LocalTime(2024, 12, 28, 23, 59, 59))->day.dateText, "2024-12-28");
}

TEST(LocalMinutesBetween, WalksEachMinuteOnceFromTheFirstWholeOneAndPassesOverDoneOnes) {
    ScopedTimeZone zone("Europe/Berlin");
    // The clock is put back at 03:00 summer time on 2026-10-25: 02:00 to 02:59 is shown twice.
    const std::time_t hourBefore = UtcTime(2026, 10, 24, 23, 30);
    const std::vector<LocalMinute> night =
        LocalMinutesBetween(hourBefore + 20, UtcTime(2026, 10, 25, 1, 59));
    ASSERT_EQ(night.size(), 149u);  // from 01:31 summer time to 02:59 winter time
    EXPECT_EQ(night.front().start, hourBefore + 60);
    for (std::size_t i = 1; i < night.size(); ++i) {
        ASSERT_EQ(night[i].start, night[i - 1].end) << i;
    }
    EXPECT_EQ(night.back().start, UtcTime(2026, 10, 25, 1, 59));

    // Minutes noted as done are passed over up to the instant named.
    const std::time_t from = UtcTime(2026, 6, 1, 10, 0);
    const std::vector<LocalMinute> rest =
        LocalMinutesBetween(from, from + 9 * 60, [from](const LocalMinute& minute) {
            return minute.start >= from + 120 && minute.start < from + 300
                       ? std::optional<std::time_t>(from + 300)
                       : std::nullopt;
        });
    std::vector<std::time_t> starts;
    for (const LocalMinute& minute : rest) {
        starts.push_back((minute.start - from) / 60);
    }
    EXPECT_EQ(starts, (std::vector<std::time_t>{0, 1, 5, 6, 7, 8, 9}));
    EXPECT_TRUE(LocalMinutesBetween(from + 60, from).empty());
}

TEST(InstantOfWallClock, IsExactOnOrdinaryDays) {
    ScopedTimeZone zone("Europe/Berlin");
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 6, 12), 14, 30)),
              UtcTime(2024, 6, 12, 12, 30));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 1, 12), 14, 30)),
              UtcTime(2024, 1, 12, 13, 30));
}

TEST(InstantOfWallClock, ATimeTheClockSkipsCountsWithTheOffsetBeforeTheChange) {
    ScopedTimeZone zone("Europe/Berlin");
    // 31 March 2024: 02:00 CET becomes 03:00 CEST.
    const LocalDay day = Day(2024, 3, 31);
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 1, 59)), UtcTime(2024, 3, 31, 0, 59));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 2, 0)), UtcTime(2024, 3, 31, 1, 0));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 2, 30)), UtcTime(2024, 3, 31, 1, 30));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 3, 0)), UtcTime(2024, 3, 31, 1, 0));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 3, 30)), UtcTime(2024, 3, 31, 1, 30));
}

TEST(InstantOfWallClock, ATimeTheClockShowsTwiceIsItsFirstShowing) {
    ScopedTimeZone zone("Europe/Berlin");
    // 27 October 2024: 03:00 CEST becomes 02:00 CET.
    const LocalDay day = Day(2024, 10, 27);
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 1, 59)), UtcTime(2024, 10, 26, 23, 59));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 2, 0)), UtcTime(2024, 10, 27, 0, 0));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 2, 59)), UtcTime(2024, 10, 27, 0, 59));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(day, 3, 0)), UtcTime(2024, 10, 27, 2, 0));
}

TEST(InstantOfWallClock, HandlesHalfHourChangesAndTheSouthernHemisphere) {
    // Lord Howe Island moves its clock by half an hour: 02:00 +10:30 becomes 02:30 +11 on
    // 6 October 2024, and 02:00 +11 becomes 01:30 +10:30 on 7 April 2024.
    ScopedTimeZone zone("Australia/Lord_Howe");
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 10, 6), 2, 15)),
              UtcTime(2024, 10, 5, 15, 45));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 10, 6), 2, 30)),
              UtcTime(2024, 10, 5, 15, 30));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 4, 7), 1, 45)),
              UtcTime(2024, 4, 6, 14, 45));
    EXPECT_EQ(InstantOfWallClock(WallClockSeconds(Day(2024, 4, 7), 2, 0)),
              UtcTime(2024, 4, 6, 15, 30));
}

TEST(SteadyUtcOffset, SeesAChangeOfOffsetBetweenItsEnds) {
    ScopedTimeZone zone("Europe/Berlin");
    EXPECT_EQ(SteadyUtcOffset(UtcTime(2024, 7, 1, 0, 0), UtcTime(2024, 7, 8, 0, 0)), 7200);
    EXPECT_FALSE(SteadyUtcOffset(UtcTime(2024, 3, 28, 0, 0), UtcTime(2024, 4, 3, 0, 0)));
    EXPECT_FALSE(SteadyUtcOffset(UtcTime(2024, 10, 27, 0, 30), UtcTime(2024, 10, 27, 1, 30)));
}

}  // namespace
}  // namespace calvendra
