#pragma once

#include "reminders/reminder_delivery.h"

// The process-wide reminder scan that the main frame's one-minute timer drives.
//
// The scan covers every minute from the program's start. The start is taken when either function
// below is first called: the main frame sets its delivery when it creates its window, before its
// timer runs, so the start is then. The scanner reads the system clock in the user's time zone and
// the process-wide connection; ticks before the connection exists do nothing and leave their
// minutes to the first tick after it opens.
namespace calvendra {

// The one-minute timer's entry point: runs the process-wide scanner. Never throws.
void ScanReminders();

// Sets the process-wide delivery (not owned); while none is set, due reminders are dropped.
void SetReminderDelivery(ReminderDelivery* delivery);

}  // namespace calvendra
