#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "exchange/exchange_items.h"
#include "exchange/reminder_timing.h"
#include "store/identifiers.h"

namespace calvendra::exchange {

// A stored schedule to write: its row, its group path and its attendants' addresses.
struct ScheduleToWrite {
    Identifier scheduleId = 0;
    statements::ScheduleFields fields;
    std::string groupPath;
    std::vector<Attendee> attendees;
};

// One iCalendar text with one VEVENT per schedule, written by libical: subject as SUMMARY, text
// as DESCRIPTION, the reminder as DTSTART in local time (without a zone, so that it fires at that
// time wherever the user is), a weekly or daily RRULE, a display alarm at the start when it
// reminds, an EMAIL alarm to the attendants when it mails them, the attendants as ATTENDEEs,
// the group path as CATEGORIES, and the stored reminder values beside them. `today` starts a
// repeat whose stored date cannot be read; `now` stamps the events.
std::string CalendarOf(const std::vector<ScheduleToWrite>& schedules, const CivilDate& today,
                       std::time_t now);

}  // namespace calvendra::exchange
