#pragma once

#include <string>

#include "reminders/reminder_delivery.h"
#include "settings/email_settings.h"
#include "store/db_connection.h"

namespace calvendra {

// How the running organizer delivers a due reminder: a note on the desktop, then the mail to the
// schedule's attendants over the organizer's connection with its e-mail settings as they stand
// at that moment. A step that fails throws; the scan logs why and carries on.
class DesktopReminderDelivery final : public ReminderDelivery {
public:
    // Both belong to the document and outlive the delivery.
    DesktopReminderDelivery(CDBConnection& connection, const EmailSettings& settings)
        : connection_(connection), settings_(settings) {}

    // Opens the note and returns at once; the note then belongs to the user.
    void ShowReminderWindow(const std::string& subject, const std::string& text) override;

    // Reads the settings record now, so that a change in the settings dialog applies to the next
    // mail.
    void MailAttendants(const std::string& subject, const std::string& text,
                        Identifier scheduleId) override;

private:
    CDBConnection& connection_;
    const EmailSettings& settings_;
};

}  // namespace calvendra
