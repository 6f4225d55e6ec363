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
        // The offset local time keeps from three days before the span to three days after it.
        // A wall-clock reading minus it is then the reading's instant whenever that lands in the
        // span, since InstantOfWallClock looks no further than a day either side; and a reading
        // whose instant lies in the span cannot land anywhere else.
        std::optional<long> steadyOffset;
    };

    std::optional<std::time_t> InstantOf(const DaySpan& span, std::int64_t wallClock) const;

    std::vector<LocalMinute> minutes_;
    std::vector<DaySpan> days_;
};

}  // namespace calvendra
