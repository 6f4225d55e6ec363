#include "reminders/reminder_mail.h"

#include <locale.h>

#include <cstdlib>
#include <stdexcept>

#include "mail/mailbox_syntax.h"
#include "mail/smtp_address.h"
#include "mail/smtp_message.h"
#include "mail/transport_error.h"
#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

// The organizer keeps its texts in UTF-8 whatever the user's locale, and runs in the C locale
// itself, while the mail transport takes text to be in the calling thread's character set. For
// as long as the object lives, that set is UTF-8: the mail then says UTF-8 and carries the texts
// as they are stored. Where the system knows no UTF-8 locale nothing changes.
class Utf8TextOnThisThread {
public:
    Utf8TextOnThisThread() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{})) {
        if (utf8_ != locale_t{}) {
            previous_ = uselocale(utf8_);
        }
    }
    ~Utf8TextOnThisThread() {
        if (utf8_ != locale_t{}) {
            uselocale(previous_);
            freelocale(utf8_);
        }
    }
    Utf8TextOnThisThread(const Utf8TextOnThisThread&) = delete;
    Utf8TextOnThisThread& operator=(const Utf8TextOnThisThread&) = delete;

private:
    locale_t utf8_;
    locale_t previous_ = LC_GLOBAL_LOCALE;
};

// Ends the session here rather than in its destructor, so that an abort still reaches the wait
// for QUIT's reply. What the server answers changes nothing now.
void EndQuietly(CKivSMTPConnection& session) {
    try {
        session.Disconnect(true);
    } catch (const CKivSMTPException&) {
    }
}

SmtpSecurity SessionSecurity(MailSecurity security) {
    switch (security) {
        case MailSecurity::StartTls:
            return SmtpSecurity::StartTls;
        case MailSecurity::Tls:
            return SmtpSecurity::Tls;
        default:
            return SmtpSecurity::None;
    }
}

}  // namespace

std::vector<Attendant> CollectAttendants(CDBConnection* connection, Identifier scheduleId) {
    using Columns = catalogue::AttendantEmailColumns;
    std::vector<Attendant> attendants;
    if (connection == nullptr) {
        return attendants;
    }
    CDBResultSet results(*connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectAttendantEmails(scheduleId))) {
        std::string name = row.Text(Columns::kFirstName);
        const std::string last = row.Text(Columns::kLastName);
        name += name.empty() || last.empty() ? last : " " + last;
        const std::string contact = "contact " + row.Text(Columns::kContactId);
        attendants.push_back(
            {row.Text(Columns::kHomeEmail), name.empty() ? contact : name + " (" + contact + ")"});
    }
    if (!results.LastError().Empty()) {
        throw std::runtime_error("the attendants could not be read: " + results.LastError().Text());
    }
    return attendants;
}

std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId) {
    std::vector<std::string> addresses;
    for (Attendant& attendant : CollectAttendants(connection, scheduleId)) {
        addresses.push_back(std::move(attendant.address));
    }
    return addresses;
}

void SendReminderMail(const std::string& subject, const std::string& text,
                      const std::vector<std::string>& addresses, const EmailSettings& settings) {
    CKivSMTPConnection session;
    SendReminderMail(session, subject, text, addresses, settings);
}

void SendReminderMail(CKivSMTPConnection& session, const std::string& subject,
                      const std::string& text, const std::vector<std::string>& addresses,
                      const EmailSettings& settings, const std::vector<std::string>& recipientNames,
                      std::vector<LeftOutRecipient>* leftOut) {
    if (settings.smtpServer.empty()) {
        throw std::runtime_error("no SMTP server is set in the e-mail settings");
    }
    if (!settings.unknownSecurity.empty()) {
        throw std::runtime_error(UnknownSecurityText(settings.unknownSecurity));
    }
    const CKivSMTPAddress sender(settings.senderAddress);
    if (sender.Address().empty()) {
        throw std::runtime_error("no sender address is set in the e-mail settings");
    }
    if (const std::string fault = MailboxFault(sender.Address()); !fault.empty()) {
        throw std::runtime_error("the sender address \"" + PrintableText(sender.Address()) +
                                 "\" of the e-mail settings is no valid mail address: " + fault);
    }
    const Utf8TextOnThisThread utf8;
    // The message first: what cannot be composed needs no session.
    CKivSMTPMessage message;
    for (std::size_t index = 0; index < addresses.size(); ++index) {
        const CKivSMTPAddress address(addresses[index]);
        // An attendant without an address would make the server refuse the whole mail
        // (RCPT TO:<>), and the other attendants would get nothing.
        if (address.Address().empty()) {
            continue;
        }
        // An address that breaks the syntax could carry extra command parameters or header
        // text, or make a server refuse the whole mail: it alone is left out.
        if (const std::string fault = MailboxFault(address.Address()); !fault.empty()) {
            const LeftOutRecipient recipient{
                index < recipientNames.size() ? recipientNames[index] : "the recipient",
                PrintableText(address.Address()), fault};
            LogWarning("The reminder mail \"" + subject + "\" leaves out " + recipient.Text());
            if (leftOut != nullptr) {
                leftOut->push_back(recipient);
            }
            continue;
        }
        message.AddRecipient(address, RecipientKind::To);
    }
    if (message.Recipients(RecipientKind::To).empty()) {
        throw std::runtime_error("no recipient has a valid mail address");
    }
    message.SetFrom(sender);
    message.SetSubject(subject);
    message.SetBodyText(text);

    session.SetSecurity(SessionSecurity(settings.security));
    if (const char* caFile = std::getenv(kExtraCaFileVariable)) {
        session.SetExtraCaFile(caFile);
    }
    session.Connect(settings.smtpServer,
                    settings.smtpAccount.empty() ? AuthMethod::None : AuthMethod::BestOffered,
                    settings.smtpAccount, settings.smtpPassword, settings.smtpPort);
    try {
        session.SendMail(message);
    } catch (...) {
        EndQuietly(session);
        throw;
    }
    EndQuietly(session);
}

bool IsPermanentRefusal(const CKivSMTPException& failure) {
    if (failure.Facility() != kFacilityTransport) {
        return false;
    }
    const bool refusedForGood = !failure.LastReply().empty() && failure.LastReply()[0] == '5';
    switch (failure.Code()) {
        case kRecipientRefused:
        case kAuthLoginRefused:
        case kAuthLoginUserRefused:
        case kAuthLoginPasswordRefused:
        case kAuthPlainRefused:
        case kAuthPlainUserRefused:
        case kAuthPlainPasswordRefused:
        case kAuthCramMd5Refused:
        case kAuthCramMd5ResponseRefused:
        case kAuthFailed:
        case kAuthSaslPlainRefused:
            return refusedForGood;
        case kAuthNtlmRefused:
            return failure.LastReply().empty() || refusedForGood;
        default:
            return false;
    }
}

std::vector<std::string> DeliverableAddresses(const std::vector<std::string>& addresses) {
    std::vector<std::string> deliverable;
    for (const std::string& text : addresses) {
        const CKivSMTPAddress address(text);
        if (!address.Address().empty() && MailboxFault(address.Address()).empty()) {
            deliverable.push_back(address.Address());
        }
    }
    return deliverable;
}

void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const EmailSettings& settings) {
    std::vector<std::string> addresses;
    std::vector<std::string> names;
    for (Attendant& attendant : CollectAttendants(connection, scheduleId)) {
        addresses.push_back(std::move(attendant.address));
        names.push_back(std::move(attendant.who));
    }
    if (!addresses.empty()) {
        CKivSMTPConnection session;
        SendReminderMail(session, subject, text, addresses, settings, names);
    }
}

}  // namespace calvendra
