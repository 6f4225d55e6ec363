#include "reminders/reminder_rule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "reminders/minute_batch.h"
#include "tests/reminders/reminder_test_support.h"

namespace calvendra {
namespace {

using testing::LocalText;
using testing::LocalTime;
using testing::ScopedTimeZone;
using testing::UtcTime;

// remind 1 unless told otherwise.
ReminderRule Rule(const std::string& type, const std::string& week, const std::string& date,
                  const std::string& time, const std::string& remind = "1") {
    return ReadReminderRule(remind, type, week, date, time);
}

ReminderRule Daily(const std::string& time) {
    return Rule("3", "0", "", time);
}

// Every minute whose start lies in [from, to).
std::vector<LocalMinute> MinutesBetween(std::time_t from, std::time_t to) {
    std::vector<LocalMinute> minutes;
    for (std::time_t t = from; t < to; t += 60) {
        minutes.push_back(*LocalMinuteAt(t));
    }
    return minutes;
}

// The local times of the minutes in which the rule falls due, asking minute by minute.
std::vector<std::string> FiringTimes(const ReminderRule& rule, std::time_t from, std::time_t to) {
    std::vector<std::string> times;
    for (const LocalMinute& minute : MinutesBetween(from, to)) {
        if (IsDueInMinute(rule, minute)) {
            times.push_back(LocalText(minute.start, "%a %Y-%m-%d %H:%M"));
        }
    }
    return times;
}

using Times = std::vector<std::string>;

class ReminderRuleTest : public ::testing::Test {
protected:
    ScopedTimeZone zone_{"Europe/Berlin"};
    // Wednesday 12 and Thursday 13 June 2024.
    const std::time_t twoDaysFrom_ = LocalTime(2024, 6, 12, 0, 0);
    const std::time_t twoDaysTo_ = LocalTime(2024, 6, 14, 0, 0);
};

TEST_F(ReminderRuleTest, ADailyReminderFiresInItsMinuteOnly) {
    EXPECT_EQ(FiringTimes(Daily("14:30:00"), twoDaysFrom_, twoDaysTo_),
              (Times{"Wed 2024-06-12 14:30", "Thu 2024-06-13 14:30"}));
    // Whatever follows the second colon plays no part.
    EXPECT_EQ(FiringTimes(Daily("14:30:59 and more"), twoDaysFrom_, twoDaysTo_).size(), 2u);
}

TEST_F(ReminderRuleTest, TheTimeIsReadAsHourAndMinuteBetweenTwoColons) {
    const std::time_t to = LocalTime(2024, 6, 13, 0, 0);
    EXPECT_EQ(FiringTimes(Daily("9:5:0"), twoDaysFrom_, to), (Times{"Wed 2024-06-12 09:05"}));
    EXPECT_EQ(FiringTimes(Daily("13:90:00"), twoDaysFrom_, to), (Times{"Wed 2024-06-12 14:30"}));
    for (const char* never : {"14:30", "1430", "", "-1:30:00", "24:00:00", "23:60:00"}) {
        EXPECT_EQ(FiringTimes(Daily(never), twoDaysFrom_, twoDaysTo_), Times{}) << never;
    }
}

TEST_F(ReminderRuleTest, ASpecialDayIsComparedAsTrimmedTextWithoutLeadingZeros) {
    ScopedTimeZone zone("Europe/Berlin");
    const std::time_t from = LocalTime(2005, 3, 6, 0, 0);
    const std::time_t to = LocalTime(2005, 3, 9, 0, 0);
    EXPECT_EQ(FiringTimes(Rule("1", "0", "  2005-3-7 \t", "10:00:00"), from, to),
              (Times{"Mon 2005-03-07 10:00"}));
    EXPECT_EQ(FiringTimes(Rule("1", "0", "2005-03-07", "10:00:00"), from, to), Times{});
    EXPECT_EQ(FiringTimes(Rule("1", "0", "2005-3-07", "10:00:00"), from, to), Times{});
}

TEST_F(ReminderRuleTest, AWeeklyReminderMatchesTheWeekdayFromSundayAsZero) {
    const std::time_t from = LocalTime(2024, 6, 10, 0, 0);  // a Monday
    const std::time_t to = LocalTime(2024, 6, 24, 0, 0);
    EXPECT_EQ(FiringTimes(Rule("2", "0", "", "08:00:00"), from, to),
              (Times{"Sun 2024-06-16 08:00", "Sun 2024-06-23 08:00"}));
    EXPECT_EQ(FiringTimes(Rule("2", "6", "", "08:00:00"), from, to),
              (Times{"Sat 2024-06-15 08:00", "Sat 2024-06-22 08:00"}));
    EXPECT_EQ(FiringTimes(Rule("2", "7", "", "08:00:00"), from, to), Times{});
}

TEST_F(ReminderRuleTest, EveryOtherKindCountsAsEveryDay) {
    for (const char* type : {"0", "3", "99", "-2", "", "weekly"}) {
        EXPECT_EQ(
            FiringTimes(Rule(type, "5", "1999-1-1", "14:30:00"), twoDaysFrom_, twoDaysTo_).size(),
            2u)
            << type;
    }
}

TEST_F(ReminderRuleTest, OnlyARemindOfExactlyOneTurnsTheReminderOn) {
    for (const char* remind : {"0", "", "yes", "2", "-1", "11"}) {
        EXPECT_EQ(FiringTimes(Rule("3", "0", "", "14:30:00", remind), twoDaysFrom_, twoDaysTo_),
                  Times{})
            << remind;
    }
    EXPECT_EQ(FiringTimes(Rule("3", "0", "", "14:30:00", " 1"), twoDaysFrom_, twoDaysTo_).size(),
              2u);
}

// Every minute of a day, each with one daily reminder, over the real minutes of that day.
std::vector<int> RemindersPerMinute(int year, int month, int day) {
    const std::time_t from = LocalTime(year, month, day, 0, 0);
    const std::time_t to = LocalTime(year, month, day + 1, 0, 0);
    const MinuteBatch batch(MinutesBetween(from, to));
    std::vector<int> count(batch.Minutes().size(), 0);
    std::vector<std::size_t> due;
    for (int hour = 0; hour < 24; ++hour) {
        for (int minute = 0; minute < 60; ++minute) {
            batch.DueMinutes(Daily(std::to_string(hour) + ":" + std::to_string(minute) + ":00"),
                             due);
            EXPECT_EQ(due.size(), 1u) << hour << ":" << minute;
            for (const std::size_t position : due) {
                ++count[position];
            }
        }
    }
    return count;
}

TEST_F(ReminderRuleTest, OnTheSpringDayTheSkippedHourFiresAnHourLaterAndNothingIsLost) {
    const std::vector<int> count = RemindersPerMinute(2024, 3, 31);
    ASSERT_EQ(count.size(), 23u * 60);
    const std::size_t threeOClock = 2 * 60;  // the minute after 01:59 is 03:00
    for (std::size_t position = 0; position < count.size(); ++position) {
        const bool skippedHourLandsHere = position >= threeOClock && position < threeOClock + 60;
        EXPECT_EQ(count[position], skippedHourLandsHere ? 2 : 1) << position;
    }
    const MinuteBatch batch(MinutesBetween(UtcTime(2024, 3, 31, 1, 0), UtcTime(2024, 3, 31, 2, 0)));
    std::vector<std::size_t> due;
    batch.DueMinutes(Daily("02:30:00"), due);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(LocalText(batch.Minutes()[due[0]].start, "%H:%M%z"), "03:30+0200");
}

TEST_F(ReminderRuleTest, OnTheAutumnDayTheRepeatedHourFiresOnceAtItsFirstShowing) {
    const std::vector<int> count = RemindersPerMinute(2024, 10, 27);
    ASSERT_EQ(count.size(), 25u * 60);
    const std::size_t secondShowing = 3 * 60;  // 02:00 CET follows 02:59 CEST
    for (std::size_t position = 0; position < count.size(); ++position) {
        const bool repeated = position >= secondShowing && position < secondShowing + 60;
        EXPECT_EQ(count[position], repeated ? 0 : 1) << position;
    }
}

// The batch answers per day; asking every minute by itself must give the same answer, also on
// the days the clock changes and across midnights.
void ExpectBatchAgreesWithEachMinute(std::time_t from, std::time_t to, unsigned seed) {
    const std::vector<LocalMinute> minutes = MinutesBetween(from, to);
    const MinuteBatch batch(minutes);
    std::vector<std::string> dates;
    for (const LocalMinute& minute : minutes) {
        if (dates.empty() || dates.back() != minute.day.dateText) {
            dates.push_back(minute.day.dateText);
        }
    }
    std::mt19937 random(seed);
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    std::vector<std::size_t> due;
    for (int round = 0; round < 60; ++round) {
        const ReminderRule rule =
            Rule(std::to_string(pick(1, 3)), std::to_string(pick(0, 7)),
                 dates[static_cast<std::size_t>(pick(0, static_cast<int>(dates.size()) - 1))],
                 std::to_string(pick(-3, 27)) + ":" + std::to_string(pick(-70, 130)) + ":00");
        std::vector<std::size_t> expected;
        for (std::size_t position = 0; position < minutes.size(); ++position) {
            if (IsDueInMinute(rule, minutes[position])) {
                expected.push_back(position);
            }
        }
        batch.DueMinutes(rule, due);
        ASSERT_EQ(due, expected) << "type " << rule.type << " week " << rule.weekday << " date "
                                 << rule.date << " at " << rule.hour << ":" << rule.minute;
    }
}

TEST_F(ReminderRuleTest, TheBatchAgreesWithTheRuleOfEachMinute) {
    ExpectBatchAgreesWithEachMinute(UtcTime(2024, 6, 11, 20, 0), UtcTime(2024, 6, 13, 4, 0), 1);
    ExpectBatchAgreesWithEachMinute(UtcTime(2024, 3, 30, 10, 0), UtcTime(2024, 4, 1, 2, 0), 2);
    ExpectBatchAgreesWithEachMinute(UtcTime(2024, 10, 26, 12, 0), UtcTime(2024, 10, 28, 2, 0), 3);
    ScopedTimeZone zone("Australia/Lord_Howe");
    ExpectBatchAgreesWithEachMinute(UtcTime(2024, 10, 5, 0, 0), UtcTime(2024, 10, 6, 12, 0), 4);
}

// Stored times at the limits of what the columns convert to, and beyond: those that carry into
// the day fire where they land, the others never, and none reaches undefined arithmetic (the
// sanitizer build runs this too).
TEST_F(ReminderRuleTest, ExtremeTimesFireWhereTheyCarryOrNever) {
    const std::time_t to = LocalTime(2024, 6, 13, 0, 0);
    const struct {
        const char* time;
        Times fires;
    } cases[] = {
        {"0:870:00", {"Wed 2024-06-12 14:30"}},
        {"1:-30:00", {"Wed 2024-06-12 00:30"}},
        {"24:-30:00", {"Wed 2024-06-12 23:30"}},
        {"-2147483648:-2147483648:00", {}},
        {"2147483647:2147483647:00", {}},
        {"-2147483648:2147483647:00", {}},
        {"99999999999999999999:30:00", {}},
        {"-99999999999999999999:99999999999999999999:", {}},
        {"35791394:-2147483640:00", {"Wed 2024-06-12 00:00"}},
        {"2147483647:-128849018820:00", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FiringTimes(Daily(c.time), twoDaysFrom_, to), c.fires) << c.time;
    }
}

// Any text in any of the five columns: the batch and the rule of each minute agree, and a rule
// fires at most once a day.
TEST_F(ReminderRuleTest, ArbitraryColumnTextsGiveOneAnswerAndAtMostOneReminderADay) {
    const std::vector<LocalMinute> minutes =
        MinutesBetween(LocalTime(2024, 6, 11, 22, 0), LocalTime(2024, 6, 13, 2, 0));
    const MinuteBatch batch(minutes);
    // The pieces the texts are made of, between the bars; one is a zero byte.
    using namespace std::string_literals;
    const std::string alphabet =
        "0|1|2|3|6|7|-|+|:|:| |\t|x|14|30|-1|\xff|\0|2024-6-12|2147483647|99999999999999999999|"
        "9223372036854775808"s;
    std::vector<std::string> pieces;
    for (std::size_t at = 0, bar; at <= alphabet.size(); at = bar + 1) {
        bar = std::min(alphabet.find('|', at), alphabet.size());
        pieces.push_back(alphabet.substr(at, bar - at));
    }
    std::mt19937 random(17);
    auto text = [&] {
        std::string made;
        const int count = std::uniform_int_distribution<int>(0, 6)(random);
        for (int i = 0; i < count; ++i) {
            made +=
                pieces[std::uniform_int_distribution<std::size_t>(0, pieces.size() - 1)(random)];
        }
        return made;
    };
    std::vector<std::size_t> due;
    for (int round = 0; round < 400; ++round) {
        // Mostly reminders that are on, so that the times get looked at.
        const std::string remind = round % 4 == 0 ? text() : "1";
        const ReminderRule rule = ReadReminderRule(remind, text(), text(), text(), text());
        std::vector<std::size_t> expected;
        for (std::size_t position = 0; position < minutes.size(); ++position) {
            if (IsDueInMinute(rule, minutes[position])) {
                expected.push_back(position);
            }
        }
        batch.DueMinutes(rule, due);
        ASSERT_EQ(due, expected) << "at " << rule.hour << ":" << rule.minute;
        EXPECT_LE(due.size(), 3u);
    }
}

}  // namespace
}  // namespace calvendra
