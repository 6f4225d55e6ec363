#include "reminders/minute_batch.h"

#include <algorithm>
#include <utility>

namespace calvendra {

namespace {

constexpr std::time_t kDay = 24 * 60 * 60;

bool SameDay(const LocalDay& a, const LocalDay& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

MinuteBatch::MinuteBatch(std::vector<LocalMinute> minutes) : minutes_(std::move(minutes)) {
    for (std::size_t begin = 0; begin < minutes_.size();) {
        std::size_t end = begin + 1;
        while (end < minutes_.size() && SameDay(minutes_[end].day, minutes_[begin].day)) {
            ++end;
        }
        DaySpan span;
        span.begin = begin;
        span.end = end;
        span.steadyOffset =
            SteadyUtcOffset(minutes_[begin].start - 3 * kDay, minutes_[end - 1].end + 3 * kDay);
        days_.push_back(span);
        begin = end;
    }
}

std::optional<std::time_t> MinuteBatch::InstantOf(const DaySpan& span,
                                                  std::int64_t wallClock) const {
    if (span.steadyOffset) {
        return wallClock - *span.steadyOffset;
    }
    return InstantOfWallClock(wallClock);
}

void MinuteBatch::DueMinutes(const ReminderRule& rule, std::vector<std::size_t>& due) const {
    due.clear();
    for (const DaySpan& span : days_) {
        const std::optional<std::int64_t> wallClock =
            FiringWallClock(rule, minutes_[span.begin].day);
        if (!wallClock) {
            continue;
        }
        const std::optional<std::time_t> instant = InstantOf(span, *wallClock);
        if (!instant) {
            continue;
        }
        // The last minute of the span that starts at or before the instant.
        const auto first = minutes_.begin() + static_cast<std::ptrdiff_t>(span.begin);
        const auto last = minutes_.begin() + static_cast<std::ptrdiff_t>(span.end);
        auto holder = std::upper_bound(
            first, last, *instant,
            [](std::time_t value, const LocalMinute& minute) { return value < minute.start; });
        if (holder == first) {
            continue;
        }
        --holder;
        if (*instant < holder->end) {
            due.push_back(static_cast<std::size_t>(holder - minutes_.begin()));
        }
    }
}

}  // namespace calvendra
