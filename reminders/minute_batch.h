#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <vector>

#include "reminders/local_time.h"
#include "reminders/reminder_rule.h"

namespace calvendra {

// The minutes that one timer tick scans, in time order, and the minutes among them in which a
// reminder falls due. It gives the same answer as asking IsDueInMinute of every minute, but works
// per day rather than per minute, so that a tick that catches up on a day costs about as much as
// one that scans a single minute.
class MinuteBatch {
public:
    // `minutes` in ascending order of their start.
    explicit MinuteBatch(std::vector<LocalMinute> minutes);

    const std::vector<LocalMinute>& Minutes() const { return minutes_; }

    // Replaces `due` with the positions, ascending, of the minutes in which the rule falls due.
    void DueMinutes(const ReminderRule& rule, std::vector<std::size_t>& due) const;

private:
    // Consecutive minutes of one local day.
    struct DaySpan {
        std::size_t begin = 0;
        std::size_t end = 0;
        // Local time keeps this offset for days around the span, so a wall-clock reading whose
        // instant lies in [steadyFrom, steadyTo] is that reading minus the offset.
        std::optional<long> steadyOffset;
        std::time_t steadyFrom = 0;
        std::time_t steadyTo = 0;
    };

    std::optional<std::time_t> InstantOf(const DaySpan& span, std::int64_t wallClock) const;

    std::vector<LocalMinute> minutes_;
    std::vector<DaySpan> days_;
};

}  // namespace calvendra
