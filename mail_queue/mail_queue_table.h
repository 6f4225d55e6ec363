#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "mail_queue/queued_mail.h"
#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

// The statements on the table mail_queue, each one statement that holds or fails whole, so that
// organizers sharing a database never need a lock of their own: the unique key on schedule and due
// minute lets exactly one insert of a mail through, and a claim or a mark is an update whose
// condition still holds for one organizer only.
namespace calvendra::mail_queue_table {

inline constexpr char kTable[] = "mail_queue";

// Whether the database has the table: true or false when it could tell, empty when the database
// could not be asked (its reason in `failure`).
std::optional<bool> HasTable(CDBConnection& connection, OdbcDiagnostic& failure);

// Queues the mail of a schedule for its due minute, to be tried at once, unless it is queued
// already (by this organizer or another) or the schedule has no attendant. True when it ran;
// `queued` says whether this call made the row.
bool Add(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
         const std::string& subject, const std::string& text, std::time_t now, bool& queued);

// The mails waiting whose next try has come, and those whose claim has run out, oldest due first;
// at most `limit`. Throws std::runtime_error when they cannot be read.
std::vector<QueuedMail> SelectTakeable(CDBConnection& connection, std::time_t now, int limit);

// The earliest time at which a mail becomes takeable (a next try, the end of a claim); empty when
// none will. Throws std::runtime_error when it cannot be read.
std::optional<std::time_t> NextTakeableAt(CDBConnection& connection);

// Every queued mail, the latest due first, at most `limit`. Throws std::runtime_error when they
// cannot be read.
std::vector<QueuedMail> SelectAll(CDBConnection& connection, int limit);

// Claims `mail` as read by SelectTakeable for `organizer` until `leaseUntil`, counting a try.
// True only for the one organizer whose update found the row as it was read.
bool Claim(CDBConnection& connection, const QueuedMail& mail, const std::string& organizer,
           std::time_t now, std::time_t leaseUntil, bool& claimed);

// Moves the end of a claim that `organizer` still holds to `leaseUntil`, while the mail is being
// sent; `changed` says whether it held.
bool RenewClaim(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                std::time_t leaseUntil, bool& changed);

// The ends of a claim: each changes the row only while `organizer` still holds the claim it made
// with try `tries`; `changed` says whether it did. A mail sent with a note (the recipients it went
// without) keeps the note as its last reason; without one, the last reason stays.
bool MarkSent(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
              const std::string& recipients, std::time_t now, const std::string& note,
              bool& changed);
bool MarkWaiting(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                 const std::string& recipients, std::time_t nextTry, const std::string& reason,
                 bool& changed);
bool MarkGivenUp(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                 const std::string& recipients, const std::string& reason, bool& changed);

// The user's commands on a waiting mail: try it now, or give it up. They change nothing of a
// mail in any other state.
bool SendNow(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
             std::time_t now, bool& changed);
bool GiveUp(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
            const std::string& reason, bool& changed);

// Deletes the mails sent or given up that fell due before `dueBefore`; `deleted` says how many.
// Waiting mails and mails being sent stay, however old.
bool DeleteFinishedBefore(CDBConnection& connection, std::time_t dueBefore, long& deleted);

}  // namespace calvendra::mail_queue_table
