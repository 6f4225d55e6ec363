#include "reminders/local_time.h"

#include <algorithm>

#include "store/reminder_encoding.h"

namespace calvendra {

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
constexpr std::time_t kProbeStep = 12 * 60 * 60;

bool LocalFields(std::time_t instant, std::tm& fields) {
    return localtime_r(&instant, &fields) != nullptr;
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t monthFromMarch = (month + 9) % 12;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<LocalMinute> LocalMinuteAt(std::time_t instant) {
    std::tm fields{};
    if (!LocalFields(instant, fields)) {
        return std::nullopt;
    }
    LocalMinute minute;
    minute.day.year = fields.tm_year + 1900;
    minute.day.month = fields.tm_mon + 1;
    minute.day.day = fields.tm_mday;
    minute.day.weekday = fields.tm_wday;
    minute.day.dateText = FormatReminderDate(minute.day.year, minute.day.month, minute.day.day);
    minute.start = instant - fields.tm_sec;
    minute.end = minute.start + 60;
    return minute;
}

std::vector<LocalMinute> LocalMinutesBetween(
    std::time_t from, std::time_t last,
    const std::function<std::optional<std::time_t>(const LocalMinute&)>& doneUntil) {
    std::vector<LocalMinute> minutes;
    // The cursor only moves forward, by at least a second a step.
    for (std::time_t cursor = from; cursor <= last;) {
        const std::optional<LocalMinute> minute = LocalMinuteAt(cursor);
        if (!minute) {
            break;
        }
        if (minute->start < cursor) {
            cursor = std::max(cursor + 1, minute->end);
            continue;
        }
        if (doneUntil) {
            if (const std::optional<std::time_t> until = doneUntil(*minute)) {
                cursor = std::max(cursor + 1, *until);
                continue;
            }
        }
        minutes.push_back(*minute);
        cursor = minute->end;
    }
    return minutes;
}

std::optional<long> UtcOffsetAt(std::time_t instant) {
    std::tm fields{};
    if (!LocalFields(instant, fields)) {
        return std::nullopt;
    }
    return fields.tm_gmtoff;
}

std::int64_t WallClockSeconds(const LocalDay& day, std::int64_t hour, std::int64_t minute) {
    return DaysFromCivil(day.year, day.month, day.day) * kSecondsPerDay + hour * 3600 + minute * 60;
}

std::optional<std::time_t> InstantOfWallClock(std::int64_t wallClock) {
    // The offsets in force a day either side: a zone changes its offset far less often.
    const std::optional<long> before = UtcOffsetAt(wallClock - kSecondsPerDay);
    const std::optional<long> after = UtcOffsetAt(wallClock + kSecondsPerDay);
    if (!before || !after) {
        return std::nullopt;
    }
    std::optional<std::time_t> first;
    for (const long offset : {*before, *after}) {
        const std::time_t candidate = wallClock - offset;
        if (UtcOffsetAt(candidate) == offset && (!first || candidate < *first)) {
            first = candidate;
        }
    }
    if (first) {
        return first;
    }
    // Neither offset gives back this reading: the clock skipped it.
    return wallClock - *before;
}

std::optional<long> SteadyUtcOffset(std::time_t from, std::time_t to) {
    const std::optional<long> offset = UtcOffsetAt(from);
    if (!offset) {
        return std::nullopt;
    }
    for (std::time_t probe = from; probe < to; probe += kProbeStep) {
        if (UtcOffsetAt(probe) != offset) {
            return std::nullopt;
        }
    }
    if (UtcOffsetAt(to) != offset) {
        return std::nullopt;
    }
    return offset;
}

}  // namespace calvendra
