#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The user's local calendar and clock: the time zone of the process (TZ, else the system's), with
// its daylight-saving rules.
namespace calvendra {

// A local calendar day as reminders compare it.
struct LocalDay {
    int year = 1970;
    int month = 1;         // 1 to 12
    int day = 1;           // of the month
    int weekday = 4;       // 0 = Sunday to 6 = Saturday
    std::string dateText;  // "%d-%d-%d", no leading zeros: 2005-3-7
};

// One minute of local time: from the instant the local clock shows second 0 up to the next one.
struct LocalMinute {
    LocalDay day;
    std::time_t start = 0;
    std::time_t end = 0;
};

// The minute the local clock is in at `instant`; empty when the calendar cannot express it.
std::optional<LocalMinute> LocalMinuteAt(std::time_t instant);

// The local minutes that begin in [from, last], each once and in order. A minute that began before
// `from` (it holds `from`, or the clock was put back into it) is passed over. `doneUntil` may name,
// for a minute, the instant up to which minutes are already dealt with: the walk goes on from
// there.
std::vector<LocalMinute> LocalMinutesBetween(
    std::time_t from, std::time_t last,
    const std::function<std::optional<std::time_t>(const LocalMinute&)>& doneUntil = {});

// Seconds east of UTC that local time is at `instant`.
std::optional<long> UtcOffsetAt(std::time_t instant);

// A reading of the local wall clock as seconds since 1970-01-01 00:00, counting every day as 24
// hours. Hours and minutes out of their range carry like a calendar: 13:90 is 14:30, hour -1 is
// 23:00 of the day before.
std::int64_t WallClockSeconds(const LocalDay& day, std::int64_t hour, std::int64_t minute);

// The instant at which the local clock shows `wallClock`. A time that the clock skips when it is
// put forward counts with the offset in force before the change, so 02:30 on a night that jumps
// from 02:00 to 03:00 is 03:30; a time that the clock shows twice when it is put back is its first
// showing. Empty when the calendar cannot express it.
std::optional<std::time_t> InstantOfWallClock(std::int64_t wallClock);

// The offset that local time keeps throughout [from, to], or empty when it changes there. Looked at
// twice a day: a zone that changes and changes back within half a day goes unnoticed.
std::optional<long> SteadyUtcOffset(std::time_t from, std::time_t to);

}  // namespace calvendra
