#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "store/column_values.h"
#include "store/reminder_encoding.h"

namespace calvendra {
namespace {

TEST(ColumnValues, ReadsLikeTheCLibrary) {
    EXPECT_EQ(ReadInt("1"), 1);
    EXPECT_EQ(ReadInt("  42"), 42);
    EXPECT_EQ(ReadInt("-7"), -7);
    EXPECT_EQ(ReadInt("+3x"), 3);
    EXPECT_EQ(ReadInt("1.9"), 1);
    EXPECT_EQ(ReadInt(""), 0);
    EXPECT_EQ(ReadInt("yes"), 0);
    EXPECT_EQ(ReadInt("x1"), 0);
    EXPECT_EQ(ReadLong("2999999999"), 2999999999L);
}

// The reading in place gives what the C library gives on the same text with its terminating zero,
// also on a view that ends before the text does.
TEST(ColumnValues, ReadsInPlaceAsTheCLibraryReads) {
    const char* const texts[] = {"",
                                 "0",
                                 "-0",
                                 "+",
                                 "-",
                                 " \t\n\v\f\r17",
                                 "  -  5",
                                 "2000000042",
                                 "007",
                                 "12ab34",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "-9223372036854775808",
                                 "-9223372036854775809",
                                 "99999999999999999999999999",
                                 "-99999999999999999999999999",
                                 "0x1F",
                                 "1e5",
                                 "\xc2\xa0"
                                 "3",
                                 "++1",
                                 "+-1",
                                 "2147483648",
                                 "-2147483649"};
    for (const std::string text : texts) {
        for (std::size_t length = 0; length <= text.size(); ++length) {
            const std::string cut = text.substr(0, length);
            errno = 0;
            const long expected = std::strtol(cut.c_str(), nullptr, 10);
            EXPECT_EQ(ReadLong(std::string_view(text).substr(0, length)), expected)
                << '"' << cut << '"';
            const long clamped = expected > INT_MAX   ? INT_MAX
                                 : expected < INT_MIN ? INT_MIN
                                                      : expected;
            EXPECT_EQ(ReadInt(std::string_view(text).substr(0, length)), clamped)
                << '"' << cut << '"';
        }
    }
}

TEST(ColumnValues, OutOfRangeTextIsClampedNotUndefined) {
    EXPECT_EQ(ReadInt("99999999999999"), INT_MAX);
    EXPECT_EQ(ReadInt("-99999999999999"), INT_MIN);
    EXPECT_EQ(ReadLong("999999999999999999999999"), LONG_MAX);
}

TEST(ColumnValues, FlagIsOnOnlyWhenItReadsExactlyOne) {
    EXPECT_TRUE(IsFlagOn("1"));
    EXPECT_TRUE(IsFlagOn(" 1"));
    EXPECT_TRUE(IsFlagOn("01"));
    EXPECT_FALSE(IsFlagOn("2"));
    EXPECT_FALSE(IsFlagOn("0"));
    EXPECT_FALSE(IsFlagOn(""));
    EXPECT_FALSE(IsFlagOn("on"));
}

TEST(ColumnValues, TrimsWhiteSpaceAtBothEndsOnly) {
    EXPECT_EQ(TrimWhiteSpace("  2005-3-7 \t\r\n"), "2005-3-7");
    EXPECT_EQ(TrimWhiteSpace("a b"), "a b");
    EXPECT_EQ(TrimWhiteSpace("   "), "");
    EXPECT_EQ(TrimWhiteSpace(""), "");
}

TEST(ReminderEncoding, DatesHaveNoLeadingZeros) {
    EXPECT_EQ(FormatReminderDate(2005, 3, 7), "2005-3-7");
    EXPECT_EQ(FormatReminderDate(2026, 12, 31), "2026-12-31");
    EXPECT_EQ(FormatReminderTime(9, 5, 0), "09:05:00");
    EXPECT_EQ(FormatReminderTime(19, 0, 0), "19:00:00");
}

TEST(ReminderEncoding, TimeNeedsTwoColonsAndIgnoresSeconds) {
    int hour = -1;
    int minute = -1;
    EXPECT_TRUE(ReadReminderTime("14:30:00", hour, minute));
    EXPECT_EQ(hour, 14);
    EXPECT_EQ(minute, 30);
    EXPECT_TRUE(ReadReminderTime("9:5:0", hour, minute));
    EXPECT_EQ(hour, 9);
    EXPECT_EQ(minute, 5);
    EXPECT_TRUE(ReadReminderTime("13:90:xx", hour, minute));
    EXPECT_EQ(hour, 13);
    EXPECT_EQ(minute, 90);
    EXPECT_TRUE(ReadReminderTime("::", hour, minute));
    EXPECT_EQ(hour, 0);
    EXPECT_EQ(minute, 0);

    hour = minute = -1;
    EXPECT_FALSE(ReadReminderTime("14:30", hour, minute));
    EXPECT_FALSE(ReadReminderTime("1430", hour, minute));
    EXPECT_FALSE(ReadReminderTime("", hour, minute));
    EXPECT_EQ(hour, -1);
    EXPECT_EQ(minute, -1);
}

}  // namespace
}  // namespace calvendra
