#pragma once

#include <string>
#include <vector>

#include "settings/email_settings.h"
#include "store/db_connection.h"
#include "store/identifiers.h"

namespace calvendra {

// The attendants' home addresses of a schedule, in the order the database returns them, with
// duplicates and empty ones kept. Empty when there is no connection or the schedule has no
// attendants; a query that fails throws std::runtime_error with the driver's reason.
std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId);

// Sends one plain message with every address as a To recipient, the settings' sender as From and
// the subject and text unchanged, in one session without authentication and without a proxy.
// Nothing is retried; a failure ends the session and throws the mail transport's exception
// (a std::runtime_error), whose text says why.
void SendReminderMail(const std::string& subject, const std::string& text,
                      const std::vector<std::string>& addresses, const EmailSettings& settings);

// Mails a schedule to its attendants: collects their addresses and sends when there is at least
// one. Opens no session for a schedule without attendants. Throws as the two above do.
void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const EmailSettings& settings);

}  // namespace calvendra
