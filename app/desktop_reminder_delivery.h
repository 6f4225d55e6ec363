#pragma once

#include <chrono>
#include <string>

#include "reminders/mail_worker.h"
#include "reminders/reminder_delivery.h"
#include "settings/email_settings.h"
#include "store/db_connection.h"

namespace calvendra {

// How the running organizer delivers a due reminder: a note on the desktop, then the mail to the
// schedule's attendants. Both start on the window thread, which reads the attendants over the
// organizer's connection and takes a copy of the e-mail settings as they stand at that moment; the
// mail itself goes out on the delivery's mail worker, in the order the reminders fell due, so the
// window never waits on the network. A mail that is not sent is logged with its reason (see
// MailWorker) and reported, as every outcome is.
class DesktopReminderDelivery final : public ReminderDelivery {
public:
    // How long "Exit" lets a mail in flight go on before it is aborted.
    static constexpr std::chrono::seconds kExitGrace{3};

    // Connection and settings belong to the document and outlive the delivery. The report runs
    // on the mail worker's thread, or on the window thread for a mail that failed there.
    DesktopReminderDelivery(CDBConnection& connection, const EmailSettings& settings,
                            MailWorker::Report report = nullptr);

    // Opens the note and returns at once; the note then belongs to the user.
    void ShowReminderWindow(const std::string& subject, const std::string& text) override;

    // Reads the attendants and the settings now and queues the mail; nothing is queued for a
    // schedule without attendants.
    void MailAttendants(const std::string& subject, const std::string& text,
                        Identifier scheduleId) override;

    // Ends the mail worker, letting the mail in flight go on for at most the grace (see
    // MailWorker::Stop); later mails are only logged as not sent.
    void StopMail(std::chrono::milliseconds grace) { worker_.Stop(grace); }

private:
    CDBConnection& connection_;
    const EmailSettings& settings_;
    MailWorker::Report report_;
    MailWorker worker_;
};

}  // namespace calvendra
