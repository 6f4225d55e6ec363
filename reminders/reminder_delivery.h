#pragma once

#include <string>

#include "store/identifiers.h"

namespace calvendra {

// What the reminder scan does with a schedule that falls due: first the note on the desktop, then,
// when the schedule asks for it, the mail to its attendants. The scan calls both for one schedule
// before it reads the next. Either may throw when it fails: the scan writes the reason to the log
// and carries on, so nothing is ever reported to the user.
class ReminderDelivery {
public:
    virtual ~ReminderDelivery() = default;

    // Opens the note for one schedule and returns at once.
    virtual void ShowReminderWindow(const std::string& subject, const std::string& text) = 0;

    // Mails the schedule's subject and text to its attendants.
    virtual void MailAttendants(const std::string& subject, const std::string& text,
                                Identifier scheduleId) = 0;
};

}  // namespace calvendra
