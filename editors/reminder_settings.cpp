#include "editors/reminder_settings.h"

#include <cstdint>

#include "store/column_values.h"
#include "store/repeat_rule.h"

namespace calvendra {

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// Reads the digits at `at` as a number up to `limit` and moves past them; false when there are
// none or the number exceeds the limit.
bool ReadDigits(const std::string& text, std::size_t& at, int limit, int& value) {
    const std::size_t first = at;
    long number = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        number = number * 10 + (text[at] - '0');
        if (number > limit) {
            return false;
        }
        ++at;
    }
    value = static_cast<int>(number);
    return at > first;
}

}  // namespace

std::optional<TimeOfDay> ReadStoredTime(const std::string& text) {
    const std::size_t first = text.find(':');
    if (first == std::string::npos || first == 0) {
        return std::nullopt;
    }
    const std::size_t second = text.find(':', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const std::int64_t hours = ReadInt(text.substr(0, first));
    const std::int64_t minutes = ReadInt(text.substr(first + 1, second - first - 1));
    const std::int64_t seconds = ReadInt(text.substr(second + 1));
    std::int64_t total = (hours * 60 + minutes) * 60 + seconds;
    total %= kSecondsPerDay;
    if (total < 0) {
        total += kSecondsPerDay;
    }
    TimeOfDay time;
    time.hour = static_cast<int>(total / 3600);
    time.minute = static_cast<int>(total / 60 % 60);
    time.second = static_cast<int>(total % 60);
    return time;
}

std::optional<CalendarDate> ReadStoredDate(const std::string& text) {
    const std::string date = TrimWhiteSpace(text);
    std::size_t at = 0;
    CalendarDate read;
    if (!ReadDigits(date, at, 9999, read.year) || at >= date.size() || date[at++] != '-' ||
        !ReadDigits(date, at, 12, read.month) || at >= date.size() || date[at++] != '-' ||
        !ReadDigits(date, at, 31, read.day) || at != date.size()) {
        return std::nullopt;
    }
    if (read.year < 1 || read.month < 1 || read.day < 1 ||
        read.day > DaysInMonth(read.year, read.month)) {
        return std::nullopt;
    }
    return read;
}

std::string RemindTimeText(const TimeOfDay& time) {
    return FormatReminderTime(time.hour, time.minute, time.second);
}

std::string RemindDateText(const CalendarDate& date) {
    return FormatReminderDate(date.year, date.month, date.day);
}

}  // namespace calvendra
