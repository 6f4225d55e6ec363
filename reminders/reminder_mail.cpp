#include "reminders/reminder_mail.h"

#include "mail/smtp_address.h"
#include "mail/smtp_connection.h"
#include "mail/smtp_message.h"
#include "store/db_result_set.h"
#include "store/statements.h"

namespace calvendra {

std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId) {
    std::vector<std::string> addresses;
    if (connection == nullptr) {
        return addresses;
    }
    CDBResultSet rows(*connection);
    if (!rows.OpenQuery(statements::SelectAttendantEmails(scheduleId))) {
        return addresses;
    }
    std::string address;
    do {
        rows.ReadColumn(0, address);
        addresses.push_back(address);
    } while (rows.MoveToNext());
    return addresses;
}

void SendReminderMail(const std::string& subject, const std::string& text,
                      const std::vector<std::string>& addresses,
                      const ReminderMailSettings& settings) {
    try {
        CKivSMTPConnection session;
        session.Connect(settings.server, AuthMethod::None, settings.account, settings.password,
                        settings.port);
        CKivSMTPMessage message;
        for (const std::string& text : addresses) {
            const CKivSMTPAddress address(text);
            // An attendant without an address would make the server refuse the whole mail
            // (RCPT TO:<>), and the other attendants would get nothing.
            if (!address.Address().empty()) {
                message.AddRecipient(address, RecipientKind::To);
            }
        }
        message.SetFrom(CKivSMTPAddress(settings.sender));
        message.SetSubject(subject);
        message.SetBodyText(text);
        session.SendMail(message);
    } catch (...) {
        // A reminder mail that cannot go out is dropped; the note on the desktop stays.
    }
}

void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const ReminderMailSettings& settings) {
    const std::vector<std::string> addresses = CollectAttendantAddresses(connection, scheduleId);
    if (!addresses.empty()) {
        SendReminderMail(subject, text, addresses, settings);
    }
}

}  // namespace calvendra
