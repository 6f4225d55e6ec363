#include "mail_queue/mail_queue_table.h"

#include <stdexcept>

#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/sql_text.h"

namespace calvendra::mail_queue_table {

namespace {

// The columns every select reads, in this order.
constexpr char kColumns[] =
    "schedule_id,due_minute,subject,mail_text,recipients,state,claimed_by,lease_until,tries,"
    "next_try,last_reason,queued_at,sent_at";
enum Column : int {
    kScheduleId,
    kDueMinute,
    kSubject,
    kMailText,
    kRecipients,
    kState,
    kClaimedBy,
    kLeaseUntil,
    kTries,
    kNextTry,
    kLastReason,
    kQueuedAt,
    kSentAt,
};

long long Seconds(std::time_t instant) {
    return static_cast<long long>(instant);
}

std::vector<QueuedMail> SelectMails(CDBConnection& connection, const std::string& query) {
    std::vector<QueuedMail> mails;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, query)) {
        QueuedMail mail;
        mail.scheduleId = row.Id(kScheduleId);
        mail.dueMinute = row.Long(kDueMinute);
        mail.subject = row.Text(kSubject);
        mail.text = row.Text(kMailText);
        mail.recipients = row.Text(kRecipients);
        mail.state = QueuedMailStateFromText(row.Text(kState));
        mail.claimedBy = row.Text(kClaimedBy);
        mail.leaseUntil = row.Long(kLeaseUntil);
        mail.tries = row.Int(kTries);
        mail.nextTry = row.Long(kNextTry);
        mail.lastReason = row.Text(kLastReason);
        mail.queuedAt = row.Long(kQueuedAt);
        mail.sentAt = row.Long(kSentAt);
        mails.push_back(std::move(mail));
    }
    if (!results.LastError().Empty()) {
        throw std::runtime_error("the mail queue could not be read: " + results.LastError().Text());
    }
    return mails;
}

bool Run(CDBConnection& connection, const std::string& statement, bool& changed) {
    long rows = 0;
    const bool ran = connection.ExecuteStatement(statement, rows);
    changed = ran && rows > 0;
    return ran;
}

// The condition that a claim still holds: the row is being sent by the organizer, in the try it
// claimed.
std::string HeldClaim(const QueuedMail& claim, const std::string& organizer) {
    return FormatText(
        " where schedule_id='%ld' and due_minute=%lld and state='sending' and claimed_by='%s' "
        "and tries=%d",
        claim.scheduleId, Seconds(claim.dueMinute), EscapeQuotes(organizer).c_str(), claim.tries);
}

}  // namespace

std::optional<bool> HasTable(CDBConnection& connection, OdbcDiagnostic& failure) {
    CDBResultSet results(connection);
    failure = {};
    if (results.OpenQuery("select schedule_id from mail_queue where 1=0") ||
        results.LastError().Empty()) {
        return true;
    }
    failure = results.LastError();
    if (failure.kind == FailureKind::kOther) {
        return false;
    }
    return std::nullopt;
}

bool Add(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
         const std::string& subject, const std::string& text, std::time_t now, bool& queued) {
    return Run(connection,
               FormatText("insert into mail_queue(%s) select '%ld',%lld,'%s','%s','','waiting','',"
                          "0,0,%lld,'',%lld,0 where exists (select 1 from schedule_contact where "
                          "schedule_id='%ld') on conflict (schedule_id,due_minute) do nothing",
                          kColumns, scheduleId, Seconds(dueMinute), EscapeQuotes(subject).c_str(),
                          EscapeQuotes(text).c_str(), Seconds(now), Seconds(now), scheduleId),
               queued);
}

std::vector<QueuedMail> SelectTakeable(CDBConnection& connection, std::time_t now, int limit) {
    return SelectMails(
        connection,
        FormatText("select %s from mail_queue where (state='waiting' and next_try<=%lld) or "
                   "(state='sending' and lease_until<=%lld) order by due_minute,schedule_id "
                   "limit %d",
                   kColumns, Seconds(now), Seconds(now), limit));
}

std::optional<std::time_t> NextTakeableAt(CDBConnection& connection) {
    CDBResultSet results(connection);
    std::optional<std::time_t> earliest;
    for (const ResultRow& row :
         QueryRows(results,
                   "select min(case when state='waiting' then next_try else lease_until end) "
                   "from mail_queue where state in ('waiting','sending')")) {
        if (!row.Text(0).empty()) {
            earliest = row.Long(0);
        }
    }
    if (!results.LastError().Empty()) {
        throw std::runtime_error("the mail queue could not be read: " + results.LastError().Text());
    }
    return earliest;
}

std::vector<QueuedMail> SelectAll(CDBConnection& connection, int limit) {
    return SelectMails(connection,
                       FormatText("select %s from mail_queue order by due_minute desc,schedule_id "
                                  "limit %d",
                                  kColumns, limit));
}

bool Claim(CDBConnection& connection, const QueuedMail& mail, const std::string& organizer,
           std::time_t now, std::time_t leaseUntil, bool& claimed) {
    return Run(connection,
               FormatText("update mail_queue set state='sending',claimed_by='%s',lease_until=%lld,"
                          "tries=tries+1 where schedule_id='%ld' and due_minute=%lld and tries=%d "
                          "and state='%s' and ((state='waiting' and next_try<=%lld) or "
                          "(state='sending' and lease_until<=%lld))",
                          EscapeQuotes(organizer).c_str(), Seconds(leaseUntil), mail.scheduleId,
                          Seconds(mail.dueMinute), mail.tries, QueuedMailStateText(mail.state),
                          Seconds(now), Seconds(now)),
               claimed);
}

bool RenewClaim(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                std::time_t leaseUntil, bool& changed) {
    return Run(connection,
               FormatText("update mail_queue set lease_until=%lld", Seconds(leaseUntil)) +
                   HeldClaim(claim, organizer),
               changed);
}

bool MarkSent(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
              const std::string& recipients, std::time_t now, const std::string& note,
              bool& changed) {
    const std::string lastReason =
        note.empty() ? std::string() : ",last_reason='" + EscapeQuotes(note) + "'";
    return Run(connection,
               FormatText("update mail_queue set state='sent',sent_at=%lld,recipients='%s',"
                          "claimed_by='',lease_until=0",
                          Seconds(now), EscapeQuotes(recipients).c_str()) +
                   lastReason + HeldClaim(claim, organizer),
               changed);
}

bool MarkWaiting(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                 const std::string& recipients, std::time_t nextTry, const std::string& reason,
                 bool& changed) {
    return Run(connection,
               FormatText("update mail_queue set state='waiting',next_try=%lld,recipients='%s',"
                          "last_reason='%s',claimed_by='',lease_until=0",
                          Seconds(nextTry), EscapeQuotes(recipients).c_str(),
                          EscapeQuotes(reason).c_str()) +
                   HeldClaim(claim, organizer),
               changed);
}

bool MarkGivenUp(CDBConnection& connection, const QueuedMail& claim, const std::string& organizer,
                 const std::string& recipients, const std::string& reason, bool& changed) {
    return Run(connection,
               FormatText("update mail_queue set state='given up',recipients='%s',"
                          "last_reason='%s',claimed_by='',lease_until=0",
                          EscapeQuotes(recipients).c_str(), EscapeQuotes(reason).c_str()) +
                   HeldClaim(claim, organizer),
               changed);
}

bool SendNow(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
             std::time_t now, bool& changed) {
    return Run(connection,
               FormatText("update mail_queue set next_try=%lld where schedule_id='%ld' and "
                          "due_minute=%lld and state='waiting'",
                          Seconds(now), scheduleId, Seconds(dueMinute)),
               changed);
}

bool GiveUp(CDBConnection& connection, Identifier scheduleId, std::time_t dueMinute,
            const std::string& reason, bool& changed) {
    return Run(connection,
               FormatText("update mail_queue set state='given up',last_reason='%s' where "
                          "schedule_id='%ld' and due_minute=%lld and state='waiting'",
                          EscapeQuotes(reason).c_str(), scheduleId, Seconds(dueMinute)),
               changed);
}

bool DeleteFinishedBefore(CDBConnection& connection, std::time_t dueBefore, long& deleted) {
    deleted = 0;
    return connection.ExecuteStatement(
        FormatText("delete from mail_queue where (state='sent' or state='given up') and "
                   "due_minute<%lld",
                   Seconds(dueBefore)),
        deleted);
}

}  // namespace calvendra::mail_queue_table
