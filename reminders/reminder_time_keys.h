#pragma once

#include <string>
#include <vector>

#include "reminders/minute_batch.h"

namespace calvendra {

// The reminder-time keys (catalogue::kRemindTimeKey) of the schedules that may fall due in the
// batch's minutes: "hh:mm" for every two-digit hour and minute that, carried like a calendar,
// lands in one of them on some day of the batch, and "other" for the times in odd forms, whose
// reading only the full rule can judge. A schedule whose key is not among them cannot fall due in
// the batch, whatever its type, day or weekday; one whose key is among them still has the full
// rule asked.
std::vector<std::string> ReminderTimeKeys(const MinuteBatch& batch);

}  // namespace calvendra
