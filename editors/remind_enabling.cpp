#include "editors/remind_enabling.h"

#include "store/reminder_encoding.h"

namespace calvendra {

RemindControlStates ControlStatesFor(bool remind, int remindType) {
    RemindControlStates states;
    if (!remind) {
        return states;
    }
    states.typeButtonsEnabled = true;
    states.timeEnabled = true;
    switch (remindType) {
        case kRemindSpecialDay:
            states.checkedType = kRemindSpecialDay;
            states.dateEnabled = true;
            break;
        case kRemindEveryWeek:
            states.checkedType = kRemindEveryWeek;
            states.weekdayEnabled = true;
            break;
        default:
            states.checkedType = kRemindEveryDay;
            break;
    }
    return states;
}

}  // namespace calvendra
