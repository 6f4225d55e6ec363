#include "reminders/desktop_reminder_delivery.h"

#include "desktop/reminder_window.h"
#include "editors/email_settings.h"
#include "reminders/reminder_mail.h"
#include "store/process_connection.h"

namespace calvendra {

namespace {

ReminderMailSettings CurrentMailSettings() {
    const EmailSettings& current = ProcessEmailSettings();
    ReminderMailSettings settings;
    settings.server = current.smtpServer;
    settings.port = current.smtpPort;
    settings.account = current.smtpAccount;
    settings.password = current.smtpPassword;
    settings.sender = current.senderAddress;
    return settings;
}

}  // namespace

void DesktopReminderDelivery::ShowReminderWindow(const std::string& subject,
                                                 const std::string& text) {
    try {
        OpenReminderWindow(subject, text);
    } catch (...) {
        // A note that cannot be made is not shown; the mail still goes.
    }
}

void DesktopReminderDelivery::MailAttendants(const std::string& subject, const std::string& text,
                                             Identifier scheduleId) {
    try {
        MailScheduleAttendants(ProcessConnection(), subject, text, scheduleId,
                               CurrentMailSettings());
    } catch (...) {
        // Reading the attendants can fail too (out of memory); the mail is then dropped.
    }
}

}  // namespace calvendra
