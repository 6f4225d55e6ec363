#pragma once

#include <string>

#include "reminders/reminder_delivery.h"

namespace calvendra {

// How the running organizer delivers a due reminder: a note on the desktop, then the mail to the
// schedule's attendants with the e-mail settings as they stand at that moment. Neither reports
// anything to the user; a failure of either leaves the other and the rest of the scan alone.
class DesktopReminderDelivery final : public ReminderDelivery {
public:
    // Opens the note and returns at once; the note then belongs to the user.
    void ShowReminderWindow(const std::string& subject, const std::string& text) override;

    // Reads the process-wide e-mail settings now, so that a change in the settings dialog
    // applies to the next mail, and mails the attendants over the process-wide connection.
    void MailAttendants(const std::string& subject, const std::string& text,
                        Identifier scheduleId) override;
};

}  // namespace calvendra
