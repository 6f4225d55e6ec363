#pragma once

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"

namespace calvendra {

// The e-mail settings a reminder mail goes out with, as they stand at the moment of sending.
struct ReminderMailSettings {
    std::string server;
    int port = 25;
    std::string account;
    std::string password;
    std::string sender;
};

// The attendants' home addresses of a schedule, in the order the database returns them, with
// duplicates and empty ones kept. Empty when there is no connection or the query yields nothing.
std::vector<std::string> CollectAttendantAddresses(CDBConnection* connection,
                                                   Identifier scheduleId);

// Sends one plain message with every address as a To recipient, the settings' sender as From and
// the subject and text unchanged, in one session without authentication and without a proxy.
// Every failure ends it silently: nothing is shown, logged or retried.
void SendReminderMail(const std::string& subject, const std::string& text,
                      const std::vector<std::string>& addresses,
                      const ReminderMailSettings& settings);

// Mails a schedule to its attendants: collects their addresses and sends when there is at least
// one. Opens no session for a schedule without attendants.
void MailScheduleAttendants(CDBConnection* connection, const std::string& subject,
                            const std::string& text, Identifier scheduleId,
                            const ReminderMailSettings& settings);

}  // namespace calvendra
