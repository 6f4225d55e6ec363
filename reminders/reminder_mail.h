#pragma once

#include <string>
#include <vector>

#include "mail/smtp_connection.h"
#include "reminders/left_out_recipient.h"
#include "settings/email_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

namespace calvendra {

// An attendant of a schedule as its mail sees them: the stored home address, and who it is as the
// log names them ("Ann Smith (contact 1000000002)").
struct Attendant {
    std::string address;
    std::string who;
};

// The attendants of a schedule, in the order the database returns them, with duplicates and empty
// addresses kept. Empty when there is no connection or the schedule has no attendants; a query
// that fails throws std::runtime_error with the driver's reason.
std::vector<Attendant> CollectAttendants(CDBConnection* connection, Identifier scheduleId);

// Their home addresses alone, in the same order.
std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId);

// The environment variable that names a PEM file of CA certificates that reminder mail trusts
// besides the system's store (for a server whose certificate comes from a CA of one's own).
inline constexpr char kExtraCaFileVariable[] = "CALVENDRA_SMTP_CA_FILE";

// Sends one plain message with every address as a To recipient, the settings' sender as From and
// the subject and text unchanged, in one session without a proxy, encrypted as the settings say.
// With an account the session logs in with the best mechanism the server offers (never one that
// would show the password over a connection in clear); without one and without encryption the
// exchange is the plain HELO session it always was. Nothing is retried; a failure ends the session
// and throws a std::runtime_error (the mail transport's own exception, mostly), whose text says
// why.
//
// Before any session: settings whose security names no mode, and a sender that is no valid mail
// address (mailbox_syntax.h), stop the mail with that reason; a recipient whose address is no
// valid one is left out with a line in the log, and the others get the mail (an empty address
// is passed over without a word); with no recipient left nothing is sent.
void SendReminderMail(const std::string& subject, const std::string& text,
                      const std::vector<std::string>& addresses, const EmailSettings& settings);

// The same over a session of the caller's, not yet connected, which another thread may abort
// (CKivSMTPConnection::Abort) while the mail is on its way. The session is ended before return.
// `recipientNames` says who each address belongs to, as the log names them (an address without a
// name is "the recipient"); `leftOut`, when given, receives each recipient left out, also when
// the mail then fails.
void SendReminderMail(CKivSMTPConnection& session, const std::string& subject,
                      const std::string& text, const std::vector<std::string>& addresses,
                      const EmailSettings& settings,
                      const std::vector<std::string>& recipientNames = {},
                      std::vector<LeftOutRecipient>* leftOut = nullptr);

// Whether a failure of the session is a refusal that trying again cannot mend: the server refused
// a recipient for good (a 5xx reply to RCPT; the session ends at the first refused recipient, so
// the same mail is refused again on every try) or refused the login.
bool IsPermanentRefusal(const CKivSMTPException& failure);

// The addresses that SendReminderMail sends to of those given: each stored text's mail address
// ("Ann <ann@example.org>" gives "ann@example.org"), without the empty ones and those that are no
// valid mail address.
std::vector<std::string> DeliverableAddresses(const std::vector<std::string>& addresses);

// Mails a schedule to its attendants: collects their addresses and sends when there is at least
// one. Opens no session for a schedule without attendants. Throws as the two above do.
void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const EmailSettings& settings);

}  // namespace calvendra
