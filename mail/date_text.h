#pragma once

#include <ctime>
#include <string>

namespace calvendra {

// The zone of a Date line for a UTC offset in seconds east of UTC: a sign and four digits, "+" for
// zones at or east of UTC, "-" for zones west of it, then hours and minutes ("+1030", "-0330").
std::string ZoneText(long secondsEastOfUtc);

// The text of a Date line for the given moment in the local time zone (TZ), with English day and
// month names whatever the user's locale: "Tue, 08 Dec 2026 09:30:00 +0100".
std::string DateText(std::time_t moment);

}  // namespace calvendra
