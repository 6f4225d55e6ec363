#include "mail_queue/queued_mail_source.h"

#include <unistd.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <utility>

#include "mail_queue/mail_queue_table.h"
#include "mail_queue/retry_schedule.h"
#include "platform/log.h"
#include "reminders/reminder_mail.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/statements.h"

namespace calvendra {

namespace {

namespace table = mail_queue_table;

// How many takeable mails one look at the queue reads.
constexpr int kTakeableBatch = 20;
// How long the worker waits at most before it looks at the queue again: other organizers queue
// mail too, and a claim of one that died runs out.
constexpr std::chrono::seconds kLongestWait{60};
// How long it waits while the database cannot be reached.
constexpr std::chrono::seconds kWaitForDatabase{30};

std::string DefaultOrganizerName() {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) {
        host[0] = '\0';
    }
    std::random_device random;
    return std::string(host) + ":" + std::to_string(getpid()) + ":" + std::to_string(random());
}

// The attendants of the mail's schedule, and who each one is, as the job takes them.
void AddAttendants(CDBConnection* connection, Identifier scheduleId, MailJob& job) {
    for (Attendant& attendant : CollectAttendants(connection, scheduleId)) {
        job.addresses.push_back(std::move(attendant.address));
        job.recipientNames.push_back(std::move(attendant.who));
    }
}

// "sent without Ann Smith (contact 1000000002): the address ... is no valid mail address: ...";
// empty when the mail went to every recipient.
std::string LeftOutNote(const MailOutcome& outcome) {
    std::string note;
    for (const LeftOutRecipient& recipient : outcome.recipientsLeftOut) {
        note += (note.empty() ? "sent without " : "; ") + recipient.Text();
    }
    return note;
}

// A mail that the queue did not take, for the worker to report.
MailJob CannotQueue(const DueMail& mail, std::string reason) {
    MailJob job;
    job.label = QueuedMailLabel(mail.scheduleId, mail.subject);
    job.subject = mail.subject;
    job.cannotSend = std::move(reason);
    return job;
}

void LogInfo(const std::string& line) {
    WriteLog(LogLevel::kInfo, line);
}

}  // namespace

QueuedMailSource::QueuedMailSource(ConnectionFactory makeConnection, SettingsSource settings,
                                   Clock clock, Options options)
    : makeConnection_(std::move(makeConnection)),
      settings_(std::move(settings)),
      clock_(std::move(clock)),
      organizer_(options.organizer.empty() ? DefaultOrganizerName() : options.organizer),
      lease_(options.lease),
      enabled_(options.enabled) {}

void QueuedMailSource::Queue(DueMail mail) {
    const std::lock_guard<std::mutex> guard(dueLock_);
    due_.push_back(std::move(mail));
}

std::optional<MailJob> QueuedMailSource::Take(std::chrono::milliseconds& askAgainIn) {
    askAgainIn = kLongestWait;
    if (!enabled_) {
        return std::nullopt;
    }
    if (!connection_) {
        connection_ = makeConnection_();
        // A connection that does not open now is opened again at its next use.
        connection_->OpenConnection();
    }
    if (!hasTable_) {
        OdbcDiagnostic failure;
        hasTable_ = table::HasTable(*connection_, failure);
        if (!hasTable_) {
            NoteDatabaseFailure(failure.Text());
            askAgainIn = kWaitForDatabase;
            return std::nullopt;
        }
        if (!*hasTable_) {
            LogWarning("Reminder mail is not queued: the database has no table mail_queue (" +
                       failure.Text() +
                       "). Each mail is sent once when it falls due and not tried again; the "
                       "README's step \"Adding the newer tables to an existing database\" adds "
                       "the table.");
        }
    }
    if (!*hasTable_) {
        return TakeDirect();
    }
    const std::time_t now = clock_();
    WriteUnwrittenEnds();
    WriteDueMails(now);
    DeleteOldMails(now);
    if (!refused_.empty()) {
        MailJob job = std::move(refused_.front());
        refused_.erase(refused_.begin());
        return job;
    }
    try {
        if (std::optional<MailJob> job = ClaimNext(now)) {
            lastDatabaseFailure_.clear();
            if (job->cannotSend.empty()) {
                // The worker uses no connection until Finish, which ends the keeper first.
                keeper_ = std::make_unique<ClaimKeeper>(*connection_, claimed_->mail, organizer_,
                                                        clock_, lease_);
            }
            return job;
        }
        askAgainIn = NextAsk(now);
        lastDatabaseFailure_.clear();
    } catch (const std::exception& failure) {
        NoteDatabaseFailure(failure.what());
        askAgainIn = kWaitForDatabase;
    }
    return std::nullopt;
}

void QueuedMailSource::DeleteOldMails(std::time_t now) {
    if (now < nextDeletion_) {
        return;
    }
    constexpr std::time_t kDay = 24 * 60 * 60;
    nextDeletion_ = now + kDay;
    const auto kept = std::chrono::duration_cast<std::chrono::seconds>(kMailKeptFor).count();
    long deleted = 0;
    if (!table::DeleteFinishedBefore(*connection_, now - kept, deleted)) {
        LogWarning(
            "The mails sent or given up long ago could not be deleted from the mail queue, "
            "they are deleted a day later: " +
            connection_->LastError().Text());
    } else if (deleted > 0) {
        LogInfo(std::to_string(deleted) + " mails sent or given up more than " +
                std::to_string(kept / kDay) + " days ago were deleted from the mail queue");
    }
}

void QueuedMailSource::WriteDueMails(std::time_t now) {
    std::vector<DueMail> due;
    {
        const std::lock_guard<std::mutex> guard(dueLock_);
        due.swap(due_);
    }
    if (due.size() > 1 && WriteDueMailsAsOne(due, now)) {
        return;
    }
    std::vector<DueMail> left;
    for (DueMail& mail : due) {
        const std::string label = QueuedMailLabel(mail.scheduleId, mail.subject);
        const std::string dueText = " due " + LocalMinuteText(mail.dueMinute);
        if (MailTimeIsOver(mail.dueMinute, now)) {
            refused_.push_back(CannotQueue(mail,
                                           "the database could not be reached for 24 hours "
                                           "after it fell due"));
            continue;
        }
        bool queued = false;
        if (!table::Add(*connection_, mail.scheduleId, mail.dueMinute, mail.subject, mail.text, now,
                        queued)) {
            const OdbcDiagnostic& failure = connection_->LastError();
            if (failure.kind == FailureKind::kOther) {
                // Refused outright: trying again would not mend it.
                refused_.push_back(
                    CannotQueue(mail, "the mail could not be queued: " + failure.Text()));
                continue;
            }
            NoteDatabaseFailure("the mail" + dueText + " could not be queued: " + failure.Text());
            left.push_back(std::move(mail));
            continue;
        }
        if (queued) {
            LogInfo(label + ": the mail" + dueText + " is queued");
        }
    }
    if (!left.empty()) {
        const std::lock_guard<std::mutex> guard(dueLock_);
        due_.insert(due_.begin(), std::make_move_iterator(left.begin()),
                    std::make_move_iterator(left.end()));
    }
}

bool QueuedMailSource::WriteDueMailsAsOne(const std::vector<DueMail>& due, std::time_t now) {
    // A minute in which many reminders fall due: one commit for all rather than one each.
    for (const DueMail& mail : due) {
        if (MailTimeIsOver(mail.dueMinute, now)) {
            return false;
        }
    }
    std::vector<std::string> queuedLabels;
    {
        CDBTransaction transaction(*connection_);
        if (!transaction.IsOpen()) {
            return false;
        }
        for (const DueMail& mail : due) {
            bool queued = false;
            if (!table::Add(*connection_, mail.scheduleId, mail.dueMinute, mail.subject, mail.text,
                            now, queued)) {
                return false;  // taken back; each is written on its own
            }
            if (queued) {
                queuedLabels.push_back(QueuedMailLabel(mail.scheduleId, mail.subject) +
                                       ": the mail due " + LocalMinuteText(mail.dueMinute) +
                                       " is queued");
            }
        }
        if (!transaction.Commit()) {
            return false;
        }
    }
    for (const std::string& line : queuedLabels) {
        LogInfo(line);
    }
    return true;
}

std::optional<MailJob> QueuedMailSource::TakeDirect() {
    DueMail mail;
    {
        const std::lock_guard<std::mutex> guard(dueLock_);
        if (due_.empty()) {
            return std::nullopt;
        }
        mail = std::move(due_.front());
        due_.erase(due_.begin());
    }
    MailJob job;
    job.label = QueuedMailLabel(mail.scheduleId, mail.subject);
    job.subject = mail.subject;
    job.text = mail.text;
    try {
        AddAttendants(connection_.get(), mail.scheduleId, job);
    } catch (const std::exception& failure) {
        job.cannotSend = failure.what();
        return job;
    }
    if (job.addresses.empty()) {
        // No attendant, no mail: nothing to say.
        std::chrono::milliseconds ignored{0};
        return Take(ignored);
    }
    job.settings = settings_();
    return job;
}

std::optional<MailJob> QueuedMailSource::ClaimNext(std::time_t now) {
    for (const QueuedMail& mail : table::SelectTakeable(*connection_, now, kTakeableBatch)) {
        const std::time_t leaseUntil = now + lease_.count();
        bool claimed = false;
        if (!table::Claim(*connection_, mail, organizer_, now, leaseUntil, claimed)) {
            throw std::runtime_error("a mail could not be claimed: " +
                                     connection_->LastError().Text());
        }
        if (!claimed) {
            continue;  // another organizer was first
        }
        QueuedMail claim = mail;
        claim.state = QueuedMailState::kSending;
        claim.claimedBy = organizer_;
        claim.leaseUntil = leaseUntil;
        claim.tries = mail.tries + 1;
        const std::string label = QueuedMailLabel(claim.scheduleId, claim.subject);
        LogInfo(label + ": the mail due " + LocalMinuteText(claim.dueMinute) +
                " is being sent, try " + std::to_string(claim.tries) +
                (mail.state == QueuedMailState::kSending
                     ? " (taken over from " + mail.claimedBy + ", whose claim ran out)"
                     : std::string()));
        return PrepareJob(claim, now);
    }
    return std::nullopt;
}

MailJob QueuedMailSource::PrepareJob(const QueuedMail& mail, std::time_t now) {
    claimed_ = Claimed{mail, false};
    MailJob job;
    job.label = QueuedMailLabel(mail.scheduleId, mail.subject);
    job.subject = mail.subject;
    job.text = mail.text;
    const auto cannotSend = [&](std::string reason, bool forGood) {
        job.cannotSend = std::move(reason);
        claimed_->cannotSendForGood = forGood;
        return job;
    };
    if (MailTimeIsOver(mail.dueMinute, now)) {
        return cannotSend("it fell due more than 24 hours ago", true);
    }
    {
        CDBResultSet schedule(*connection_);
        if (!schedule.OpenQuery(statements::SelectSchedule(mail.scheduleId))) {
            if (!schedule.LastError().Empty()) {
                return cannotSend("the schedule could not be read: " + schedule.LastError().Text(),
                                  false);
            }
            return cannotSend("the schedule was deleted", true);
        }
    }
    try {
        AddAttendants(connection_.get(), mail.scheduleId, job);
    } catch (const std::exception& failure) {
        return cannotSend(failure.what(), false);
    }
    if (job.addresses.empty()) {
        return cannotSend("the schedule has no attendants any more", true);
    }
    job.settings = settings_();
    return job;
}

void QueuedMailSource::Finish(const MailJob& job, MailOutcome& outcome) {
    keeper_.reset();
    if (!claimed_) {
        return;  // sent directly: nothing to note
    }
    const Claimed claimed = std::move(*claimed_);
    claimed_.reset();
    const std::time_t now = clock_();
    Unwritten end{claimed.mail, QueuedMailState::kWaiting, QueuedRecipientsText(job.addresses), now,
                  outcome.reason};
    std::optional<std::time_t> nextTry;
    if (outcome.sent) {
        end.state = QueuedMailState::kSent;
        end.reason = LeftOutNote(outcome);
    } else if (outcome.stopped) {
        // Not a try that failed: the next organizer to look takes it at once.
        nextTry = now;
        outcome.consequence = "it waits in the queue for the next organizer";
    } else if (!claimed.cannotSendForGood && !outcome.refusedForGood) {
        nextTry = NextTry(claimed.mail.dueMinute, claimed.mail.tries, now);
    }
    if (!outcome.sent && !nextTry) {
        end.state = QueuedMailState::kGivenUp;
        outcome.givenUp = true;
        outcome.consequence = "it is given up";
    } else if (!outcome.sent) {
        end.at = *nextTry;
        if (outcome.consequence.empty()) {
            outcome.consequence = "it is tried again at " + LocalMinuteText(*nextTry);
        }
    }
    bool changed = false;
    if (!WriteEnd(end, changed)) {
        LogError(job.label + ": what became of the mail could not be written to the queue: " +
                 connection_->LastError().Text() + "; it is written once the database answers");
        unwritten_.push_back(std::move(end));
        return;
    }
    if (!changed) {
        LogWarning(job.label + ": another organizer had taken the mail over meanwhile");
    } else if (outcome.sent) {
        LogInfo(job.label + ": the mail due " + LocalMinuteText(claimed.mail.dueMinute) +
                " was sent to " + end.recipients + ", try " + std::to_string(claimed.mail.tries));
    }
}

void QueuedMailSource::End() {
    keeper_.reset();
    if (connection_ && hasTable_.value_or(false)) {
        WriteUnwrittenEnds();
        WriteDueMails(clock_());
    }
    std::vector<DueMail> left;
    {
        const std::lock_guard<std::mutex> guard(dueLock_);
        left.swap(due_);
    }
    for (const DueMail& mail : left) {
        LogError(QueuedMailLabel(mail.scheduleId, mail.subject) +
                 ": the mail was not sent: the program ended before it could be queued");
    }
}

bool QueuedMailSource::WriteEnd(const Unwritten& end, bool& changed) {
    switch (end.state) {
        case QueuedMailState::kSent:
            return table::MarkSent(*connection_, end.claim, organizer_, end.recipients, end.at,
                                   end.reason, changed);
        case QueuedMailState::kGivenUp:
            return table::MarkGivenUp(*connection_, end.claim, organizer_, end.recipients,
                                      end.reason, changed);
        default:
            return table::MarkWaiting(*connection_, end.claim, organizer_, end.recipients, end.at,
                                      end.reason, changed);
    }
}

void QueuedMailSource::WriteUnwrittenEnds() {
    std::vector<Unwritten> left;
    for (Unwritten& end : unwritten_) {
        bool changed = false;
        if (!WriteEnd(end, changed)) {
            left.push_back(std::move(end));
        }
    }
    unwritten_ = std::move(left);
}

void QueuedMailSource::NoteDatabaseFailure(const std::string& reason) {
    if (reason != lastDatabaseFailure_) {
        LogError("The mail queue cannot be used now: " + reason);
    }
    lastDatabaseFailure_ = reason;
}

std::chrono::milliseconds QueuedMailSource::NextAsk(std::time_t now) {
    std::chrono::seconds wait = kLongestWait;
    {
        const std::lock_guard<std::mutex> guard(dueLock_);
        if (!due_.empty() || !unwritten_.empty()) {
            wait = kWaitForDatabase;
        }
    }
    if (const std::optional<std::time_t> next = table::NextTakeableAt(*connection_)) {
        wait = std::min(wait, std::chrono::seconds(std::max<std::time_t>(*next - now, 1)));
    }
    return wait;
}

}  // namespace calvendra
