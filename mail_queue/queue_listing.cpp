#include "mail_queue/queue_listing.h"

#include <exception>

#include "mail_queue/mail_queue_table.h"
#include "reminders/reminder_mail.h"

namespace calvendra {

QueueListing ReadQueueListing(CDBConnection& connection) {
    QueueListing listing;
    OdbcDiagnostic failure;
    const std::optional<bool> hasTable = mail_queue_table::HasTable(connection, failure);
    if (!hasTable) {
        listing.failure = failure.Text();
        return listing;
    }
    if (!*hasTable) {
        listing.noQueue = true;
        return listing;
    }
    try {
        listing.mails = mail_queue_table::SelectAll(connection, kListedMails);
        for (QueuedMail& mail : listing.mails) {
            if (mail.tries == 0 && mail.recipients.empty()) {
                mail.recipients =
                    QueuedRecipientsText(CollectAttendantAddresses(&connection, mail.scheduleId));
            }
        }
    } catch (const std::exception& failed) {
        listing.mails.clear();
        listing.failure = failed.what();
    }
    return listing;
}

std::array<std::string, kQueueColumnCount> QueueRowTexts(const QueuedMail& mail) {
    std::string state = QueuedMailStateText(mail.state);
    if (mail.state == QueuedMailState::kSent && mail.sentAt != 0) {
        state += " " + LocalMinuteText(mail.sentAt);
    }
    return {mail.subject,
            LocalMinuteText(mail.dueMinute),
            mail.recipients,
            state,
            std::to_string(mail.tries),
            mail.state == QueuedMailState::kWaiting ? LocalMinuteText(mail.nextTry) : std::string(),
            mail.lastReason};
}

}  // namespace calvendra
