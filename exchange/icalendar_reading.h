#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "exchange/exchange_items.h"

namespace calvendra::exchange {

// The schedules of an iCalendar text, read by libical: one per VEVENT. The reminder is the first
// alarm's trigger applied to the event's start (the start itself without an alarm), in the local
// time of the user (times in a zone of the file's VTIMEZONE, a known zone's name, or UTC are
// converted; times without a zone are taken as local). A repeat that the reminder columns cannot
// hold becomes the next occurrence after `now` as a special day, and is said among the item's
// approximations. The text has passed CheckText.
FileContents ReadICalendarText(const std::string& file, std::string_view text, std::time_t now);

}  // namespace calvendra::exchange
