#include "reminders/snooze.h"

#include "platform/translatable.h"

namespace calvendra {

const char* SnoozeLabel(SnoozeChoice choice) {
    switch (choice) {
        case SnoozeChoice::kFiveMinutes:
            return TRANSLATABLE("5 Minutes");
        case SnoozeChoice::kTenMinutes:
            return TRANSLATABLE("10 Minutes");
        case SnoozeChoice::kFifteenMinutes:
            return TRANSLATABLE("15 Minutes");
        case SnoozeChoice::kThirtyMinutes:
            return TRANSLATABLE("30 Minutes");
        case SnoozeChoice::kOneHour:
            return TRANSLATABLE("1 Hour");
        case SnoozeChoice::kTomorrow:
            return TRANSLATABLE("Tomorrow at the Same Time");
    }
    return "";
}

std::optional<std::time_t> SnoozeUntil(SnoozeChoice choice, std::time_t now, std::time_t due) {
    constexpr std::time_t kMinute = 60;
    switch (choice) {
        case SnoozeChoice::kFiveMinutes:
            return now + 5 * kMinute;
        case SnoozeChoice::kTenMinutes:
            return now + 10 * kMinute;
        case SnoozeChoice::kFifteenMinutes:
            return now + 15 * kMinute;
        case SnoozeChoice::kThirtyMinutes:
            return now + 30 * kMinute;
        case SnoozeChoice::kOneHour:
            return now + 60 * kMinute;
        case SnoozeChoice::kTomorrow:
            break;
    }
    std::tm today{};
    std::tm dueTime{};
    if (localtime_r(&now, &today) == nullptr || localtime_r(&due, &dueTime) == nullptr) {
        return std::nullopt;
    }
    std::tm tomorrow{};
    tomorrow.tm_year = today.tm_year;
    tomorrow.tm_mon = today.tm_mon;
    tomorrow.tm_mday = today.tm_mday + 1;
    tomorrow.tm_hour = dueTime.tm_hour;
    tomorrow.tm_min = dueTime.tm_min;
    tomorrow.tm_isdst = -1;
    const std::time_t wake = std::mktime(&tomorrow);
    if (wake == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return wake;
}

}  // namespace calvendra
