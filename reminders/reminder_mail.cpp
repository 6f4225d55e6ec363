#include "reminders/reminder_mail.h"

#include <locale.h>

#include <cstdlib>
#include <stdexcept>

#include "mail/smtp_address.h"
#include "mail/smtp_message.h"
#include "mail/transport_error.h"
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

std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId) {
    std::vector<std::string> addresses;
    if (connection == nullptr) {
        return addresses;
    }
    CDBResultSet results(*connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectAttendantEmails(scheduleId))) {
        addresses.push_back(row.Text(catalogue::AttendantEmailColumns::kHomeEmail));
    }
    if (!results.LastError().Empty()) {
        throw std::runtime_error("the attendants could not be read: " + results.LastError().Text());
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
                      const EmailSettings& settings) {
    if (settings.smtpServer.empty()) {
        throw std::runtime_error("no SMTP server is set in the e-mail settings");
    }
    const Utf8TextOnThisThread utf8;
    // The message first: what cannot be composed needs no session.
    CKivSMTPMessage message;
    for (const std::string& addressText : addresses) {
        const CKivSMTPAddress address(addressText);
        // An attendant without an address would make the server refuse the whole mail
        // (RCPT TO:<>), and the other attendants would get nothing.
        if (!address.Address().empty()) {
            message.AddRecipient(address, RecipientKind::To);
        }
    }
    message.SetFrom(CKivSMTPAddress(settings.senderAddress));
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

void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const EmailSettings& settings) {
    const std::vector<std::string> addresses = CollectAttendantAddresses(connection, scheduleId);
    if (!addresses.empty()) {
        SendReminderMail(subject, text, addresses, settings);
    }
}

}  // namespace calvendra
