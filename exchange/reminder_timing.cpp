#include "exchange/reminder_timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "store/column_values.h"
#include "store/reminder_encoding.h"

namespace calvendra::exchange {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long DaysFromCivil(const CivilDate& date) {
    const long y = date.year - (date.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;
    const long dayOfYear = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CivilDate CivilFromDays(long days) {
    days += 719468;
    const long era = (days >= 0 ? days : days - 146096) / 146097;
    const long dayOfEra = days - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long mp = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

bool IsValidDate(const CivilDate& date) {
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1) {
        return false;
    }
    const CivilDate normal = CivilFromDays(DaysFromCivil(date));
    return normal.day == date.day && normal.month == date.month;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A date as the reminder scan reads it: the text, without blanks at its ends, must be the date
// written the scan's way (2005-3-7).
std::optional<CivilDate> ReadDate(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    CivilDate date;
    char rest = 0;
    if (std::sscanf(trimmed.c_str(), "%d-%d-%d%c", &date.year, &date.month, &date.day, &rest) !=
            3 ||
        !IsValidDate(date) || FormatReminderDate(date.year, date.month, date.day) != trimmed) {
        return std::nullopt;
    }
    return date;
}

// A time as the reminder scan reads it (hour and minute before and between the first two
// colons), with the seconds after the second colon; only times of a real day.
std::optional<WallTime> ReadTime(const std::string& text) {
    WallTime time;
    if (!ReadReminderTime(text, time.hour, time.minute)) {
        return std::nullopt;
    }
    time.second = ReadInt(text.substr(text.find(':', text.find(':') + 1) + 1));
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
        time.second > 59) {
        return std::nullopt;
    }
    return time;
}

}  // namespace

int WeekdayOf(const CivilDate& date) {
    const long days = DaysFromCivil(date);
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

CivilDate AddDays(const CivilDate& date, int days) {
    return CivilFromDays(DaysFromCivil(date) + days);
}

bool ReminderTiming::operator==(const ReminderTiming& other) const {
    if (hasStart != other.hasStart) {
        return false;
    }
    if (!hasStart) {
        return true;
    }
    if (kind != other.kind || time.hour != other.time.hour || time.minute != other.time.minute ||
        time.second != other.time.second || reminds != other.reminds || mails != other.mails) {
        return false;
    }
    if (kind == kRemindSpecialDay) {
        return date.year == other.date.year && date.month == other.date.month &&
               date.day == other.date.day;
    }
    return kind != kRemindEveryWeek || Weekday() == other.Weekday();
}

ReminderTiming TimingOfFields(const statements::ScheduleFields& fields, bool hasAttendees,
                              const CivilDate& today) {
    ReminderTiming timing;
    timing.kind = fields.remindType == kRemindSpecialDay  ? kRemindSpecialDay
                  : fields.remindType == kRemindEveryWeek ? kRemindEveryWeek
                                                          : kRemindEveryDay;
    const std::optional<WallTime> time = ReadTime(fields.remindTime);
    const std::optional<CivilDate> date = ReadDate(fields.remindDate);
    if (!time || (timing.kind == kRemindSpecialDay && !date) ||
        (timing.kind == kRemindEveryWeek &&
         (fields.remindWeek < 0 || fields.remindWeek >= kWeekdayCount))) {
        return timing;
    }
    timing.hasStart = true;
    timing.time = *time;
    timing.date = date.value_or(today);
    if (timing.kind == kRemindEveryWeek) {
        timing.date = AddDays(timing.date, (fields.remindWeek - WeekdayOf(timing.date) + 7) % 7);
    }
    timing.reminds = fields.remind == 1;
    timing.mails = timing.reminds && fields.emailRemind == 1 && hasAttendees;
    return timing;
}

statements::ScheduleFields FieldsOfTiming(const ReminderTiming& timing) {
    statements::ScheduleFields fields;
    fields.remindType = kRemindEveryDay;
    if (!timing.hasStart) {
        return fields;
    }
    fields.remind = timing.reminds ? 1 : 0;
    fields.emailRemind = timing.mails ? 1 : 0;
    fields.remindType = timing.kind;
    fields.remindWeek = timing.kind == kRemindEveryWeek ? timing.Weekday() : 0;
    fields.remindDate = FormatReminderDate(timing.date.year, timing.date.month, timing.date.day);
    fields.remindTime =
        FormatReminderTime(timing.time.hour, timing.time.minute, timing.time.second);
    return fields;
}

std::optional<std::string> StoredReminderText(const statements::ScheduleFields& fields) {
    for (const std::string* text : {&fields.remindDate, &fields.remindTime}) {
        if (text->find_first_of(";\r\n") != std::string::npos) {
            return std::nullopt;
        }
    }
    return "remind=" + std::to_string(fields.remind) +
           ";type=" + std::to_string(fields.remindType) +
           ";week=" + std::to_string(fields.remindWeek) + ";date=" + fields.remindDate +
           ";time=" + fields.remindTime + ";email=" + std::to_string(fields.emailRemind);
}

bool ReadStoredReminderText(const std::string& text, statements::ScheduleFields& fields) {
    std::map<std::string, std::string> values;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(';', start), text.size());
        const std::string pair = text.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            return false;
        }
        values[pair.substr(0, equals)] = pair.substr(equals + 1);
        start = end + 1;
    }
    auto number = [&values](const char* key, int& to) {
        const auto found = values.find(key);
        if (found == values.end() || found->second.empty()) {
            return false;
        }
        char* end = nullptr;
        const long value = std::strtol(found->second.c_str(), &end, 10);
        if (*end != '\0' || value < -1000000 || value > 1000000) {
            return false;
        }
        to = static_cast<int>(value);
        return true;
    };
    statements::ScheduleFields read = fields;
    if (!number("remind", read.remind) || !number("type", read.remindType) ||
        !number("week", read.remindWeek) || !number("email", read.emailRemind) ||
        values.count("date") == 0 || values.count("time") == 0) {
        return false;
    }
    read.remindDate = values["date"];
    read.remindTime = values["time"];
    fields = read;
    return true;
}

}  // namespace calvendra::exchange
