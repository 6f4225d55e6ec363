#include "store/repeat_rule.h"

#include <cstdio>
#include <tuple>

namespace calvendra {

namespace {

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool ReadWhole(const std::string& text, const char* format, int* a, int* b, int* c) {
    int used = 0;
    const int wanted = c != nullptr ? 3 : (b != nullptr ? 2 : 1);
    int read = 0;
    if (wanted == 3) {
        read = std::sscanf(text.c_str(), format, a, b, c, &used);
    } else if (wanted == 2) {
        read = std::sscanf(text.c_str(), format, a, b, &used);
    } else {
        read = std::sscanf(text.c_str(), format, a, &used);
    }
    return read == wanted && static_cast<std::size_t>(used) == text.size();
}

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string RuleText(const RepeatRule& rule) {
    if (rule.every == RepeatRule::Every::kMonth) {
        return "every month " + std::to_string(rule.day);
    }
    return "every year " + std::to_string(rule.month) + "-" + std::to_string(rule.day);
}

std::optional<RepeatRule> ReadRuleText(const std::string& text) {
    RepeatRule rule;
    if (ReadWhole(text, "every month %d%n", &rule.day, nullptr, nullptr)) {
        rule.every = RepeatRule::Every::kMonth;
        if (rule.day >= 1 && rule.day <= 31) {
            return rule;
        }
        return std::nullopt;
    }
    if (ReadWhole(text, "every year %d-%d%n", &rule.month, &rule.day, nullptr) && rule.month >= 1 &&
        rule.month <= 12 && rule.day >= 1 && rule.day <= DaysInMonth(2000, rule.month)) {
        rule.every = RepeatRule::Every::kYear;
        return rule;
    }
    return std::nullopt;
}

std::string SpecialDateText(const SpecialDate& date) {
    return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" +
           std::to_string(date.day);
}

std::optional<SpecialDate> ReadSpecialDate(const std::string& text) {
    SpecialDate date;
    if (!ReadWhole(text, "%d-%d-%d%n", &date.year, &date.month, &date.day) || date.year < 1 ||
        date.month < 1 || date.month > 12 || date.day < 1 ||
        date.day > DaysInMonth(date.year, date.month)) {
        return std::nullopt;
    }
    return date;
}

SpecialDate OccurrenceIn(const RepeatRule& rule, int year, int month) {
    const int last = DaysInMonth(year, month);
    return {year, month, rule.day < last ? rule.day : last};
}

SpecialDate NextOccurrence(const RepeatRule& rule, const SpecialDate& date) {
    if (rule.every == RepeatRule::Every::kYear) {
        SpecialDate next = OccurrenceIn(rule, date.year, rule.month);
        if (next.month < date.month || (next.month == date.month && next.day <= date.day)) {
            next = OccurrenceIn(rule, date.year + 1, rule.month);
        }
        return next;
    }
    const SpecialDate thisMonth = OccurrenceIn(rule, date.year, date.month);
    if (thisMonth.day > date.day) {
        return thisMonth;
    }
    return date.month == 12 ? OccurrenceIn(rule, date.year + 1, 1)
                            : OccurrenceIn(rule, date.year, date.month + 1);
}

bool IsOccurrence(const RepeatRule& rule, const SpecialDate& date) {
    if (rule.every == RepeatRule::Every::kYear && date.month != rule.month) {
        return false;
    }
    return OccurrenceIn(rule, date.year, date.month) == date;
}

SpecialDate OccurrenceFrom(const RepeatRule& rule, const SpecialDate& date) {
    return IsOccurrence(rule, date) ? date : NextOccurrence(rule, date);
}

SpecialDate UpcomingOccurrence(const RepeatRule& rule, const SpecialDate& picked,
                               const SpecialDate& today, bool todayPassed) {
    const bool pickedFirst = std::tie(picked.year, picked.month, picked.day) >
                             std::tie(today.year, today.month, today.day);
    const SpecialDate next = OccurrenceFrom(rule, pickedFirst ? picked : today);
    return next == today && todayPassed ? NextOccurrence(rule, next) : next;
}

RepeatRule RuleFor(RepeatRule::Every every, const SpecialDate& date) {
    return {every, date.month, date.day};
}

}  // namespace calvendra
