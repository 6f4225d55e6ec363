#include "reminders/reminder_scan.h"

#include <ctime>

#include "reminders/reminder_scanner.h"
#include "store/process_connection.h"

namespace calvendra {

namespace {

std::time_t SystemClock() {
    return std::time(nullptr);
}

ReminderScanner& ProcessScanner() {
    static ReminderScanner scanner(SystemClock, SystemClock(), ProcessConnection);
    return scanner;
}

}  // namespace

void ScanReminders() {
    ProcessScanner().Scan();
}

void SetReminderDelivery(ReminderDelivery* delivery) {
    ProcessScanner().SetDelivery(delivery);
}

}  // namespace calvendra
