#pragma once

#include <optional>

// Which of the reminder settings' controls a user can use, by whether the schedule reminds and of
// which type its reminder is. Needs no window.
namespace calvendra {

struct RemindControlStates {
    bool typeButtonsEnabled = false;
    // The type button to check (a RemindType); empty: the buttons keep their check.
    std::optional<int> checkedType;
    bool dateEnabled = false;
    bool weekdayEnabled = false;
    bool timeEnabled = false;
};

// Without a reminder everything but "Remind" itself is off. With one, the type buttons and the
// time are on, the date only for a special day and the weekday only for a weekly reminder; a type
// other than those two counts as every day.
RemindControlStates ControlStatesFor(bool remind, int remindType);

}  // namespace calvendra
