#pragma once

#include <ctime>
#include <optional>

namespace calvendra {

// What the note's "Snooze" menu offers, in the menu's order.
enum class SnoozeChoice {
    kFiveMinutes,
    kTenMinutes,
    kFifteenMinutes,
    kThirtyMinutes,
    kOneHour,
    kTomorrow
};

inline constexpr SnoozeChoice kSnoozeChoices[] = {
    SnoozeChoice::kFiveMinutes,   SnoozeChoice::kTenMinutes, SnoozeChoice::kFifteenMinutes,
    SnoozeChoice::kThirtyMinutes, SnoozeChoice::kOneHour,    SnoozeChoice::kTomorrow,
};

// The menu's label of a choice ("5 Minutes", ..., "Tomorrow at the Same Time").
const char* SnoozeLabel(SnoozeChoice choice);

// When a reminder snoozed at `now` comes back: so many minutes later, or, for "tomorrow", on the
// next local day at the local time it was `due` (the wall-clock time, across a change of the
// clocks). Empty when local time cannot name that instant.
std::optional<std::time_t> SnoozeUntil(SnoozeChoice choice, std::time_t now, std::time_t due);

}  // namespace calvendra
