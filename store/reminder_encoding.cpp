#include "store/reminder_encoding.h"

#include "store/column_values.h"
#include "store/sql_text.h"

namespace calvendra {

std::string FormatReminderDate(int year, int month, int day) {
    return FormatText("%d-%d-%d", year, month, day);
}

std::string FormatReminderTime(int hour, int minute, int second) {
    return FormatText("%02d:%02d:%02d", hour, minute, second);
}

bool ReadReminderTime(const std::string& text, int& hour, int& minute) {
    const std::size_t first = text.find(':');
    if (first == std::string::npos) {
        return false;
    }
    const std::size_t second = text.find(':', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    hour = ReadInt(text.substr(0, first));
    minute = ReadInt(text.substr(first + 1, second - first - 1));
    return true;
}

}  // namespace calvendra
