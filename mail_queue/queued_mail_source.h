#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "mail_queue/claim_keeper.h"
#include "mail_queue/queued_mail.h"
#include "mail_queue/retry_schedule.h"
#include "reminders/mail_worker.h"
#include "settings/email_settings.h"
#include "store/db_connection.h"

namespace calvendra {

// A reminder mail that fell due: the schedule, the minute, and what the note showed.
struct DueMail {
    Identifier scheduleId = 0;
    std::time_t dueMinute = 0;
    std::string subject;
    std::string text;
};

// The mail worker's source of reminder mail, kept in the database's mail queue (mail_queue_table.h)
// so that every mail goes out once, whichever of the organizers sharing the database sends it,
// and is tried again until it goes out or its time is over (retry_schedule.h).
//
// A mail that falls due is queued on the worker's thread over the source's own connection (never
// the window's): the first organizer to queue it makes the row, the others find it there. The
// worker then takes what is due: the source claims a mail for a lease, reads its schedule, its
// attendants and the e-mail settings as they are at that moment, renews the lease for as long as
// the mail is being sent, and once the worker has tried it, marks it sent, waiting for its next
// try, or given up. An organizer that dies holding a claim
// holds it no longer than the lease; then another takes the mail over. Should it die after the
// mail went out and before it was marked sent, the mail goes out a second time; never more often.
//
// Every change of a mail's state goes to the log with the schedule, the subject and the reason.
// A database without the queue's table gets its mail as before the queue: sent at once, once,
// with one line in the log that says so.
class QueuedMailSource final : public MailSource {
public:
    using Clock = std::function<std::time_t()>;
    using ConnectionFactory = std::function<std::unique_ptr<CDBConnection>()>;
    // Called on the worker's thread: must be safe to call there.
    using SettingsSource = std::function<EmailSettings()>;

    struct Options {
        // Names this organizer in its claims; a name of the host, the process and a random
        // number when empty.
        std::string organizer;
        std::chrono::seconds lease = kMailClaimLease;
        // Whether the source may use the database from the start; otherwise from Enable on.
        bool enabled = true;
    };

    QueuedMailSource(ConnectionFactory makeConnection, SettingsSource settings, Clock clock,
                     Options options);

    // Any thread. Queues the mail of a schedule that fell due; the worker's next Take writes it.
    // The caller wakes the worker.
    void Queue(DueMail mail);

    // Any thread. From now on the source uses the database (the organizer has opened it).
    void Enable() { enabled_ = true; }

    const std::string& Organizer() const { return organizer_; }

    std::optional<MailJob> Take(std::chrono::milliseconds& askAgainIn) override;
    void Finish(const MailJob& job, MailOutcome& outcome) override;
    // Writes the mails that fell due to the queue, so that the next organizer sends them; logs
    // those that could not be written as not sent.
    void End() override;

private:
    // The mail that Take gave last, as it was claimed.
    struct Claimed {
        QueuedMail mail;
        bool cannotSendForGood = false;
    };
    // An end of a claim that the database did not take; written again before anything else.
    struct Unwritten {
        QueuedMail claim;
        QueuedMailState state = QueuedMailState::kWaiting;
        std::string recipients;
        std::time_t at = 0;
        std::string reason;
    };

    // Writes the mails that fell due; those that could not be written stay for the next Take.
    void WriteDueMails(std::time_t now);
    // Writes them all in one change; false, with nothing written, when that did not work.
    bool WriteDueMailsAsOne(const std::vector<DueMail>& due, std::time_t now);
    std::optional<MailJob> TakeDirect();
    std::optional<MailJob> ClaimNext(std::time_t now);
    MailJob PrepareJob(const QueuedMail& mail, std::time_t now);
    bool WriteEnd(const Unwritten& end, bool& changed);
    void WriteUnwrittenEnds();
    // Logs a failure of the database once for as long as its reason stays the same.
    void NoteDatabaseFailure(const std::string& reason);
    std::chrono::milliseconds NextAsk(std::time_t now);
    // Once a day: the mails sent or given up longer ago than the queue keeps them go.
    void DeleteOldMails(std::time_t now);

    ConnectionFactory makeConnection_;
    SettingsSource settings_;
    Clock clock_;
    std::string organizer_;
    std::chrono::seconds lease_;
    std::atomic<bool> enabled_;

    std::mutex dueLock_;
    std::vector<DueMail> due_;

    // The worker's thread only, from here on.
    std::unique_ptr<CDBConnection> connection_;
    std::optional<bool> hasTable_;
    std::optional<Claimed> claimed_;
    // Renews the claim of the mail being sent, over connection_, from Take to Finish.
    std::unique_ptr<ClaimKeeper> keeper_;
    std::vector<Unwritten> unwritten_;
    // Mails that could not be queued, to be reported as not sent.
    std::vector<MailJob> refused_;
    std::string lastDatabaseFailure_;
    std::time_t nextDeletion_ = 0;
};

}  // namespace calvendra
