#include "reminders/mail_worker.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <utility>

#include "mail/smtp_connection.h"
#include "platform/log.h"
#include "reminders/reminder_mail.h"

namespace calvendra {

struct MailWorker::State {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<MailJob> queue;
    // Owned here rather than by the worker: a thread left behind by Stop still uses it.
    std::unique_ptr<MailSource> source;
    bool woken = false;
    bool stopping = false;
    bool aborting = false;
    bool finished = false;
    std::string abortReason;
    // The session of the mail on its way, for Stop to abort.
    CKivSMTPConnection* inFlight = nullptr;
    // Held while a report runs, so that Stop returns only once none can run any more.
    std::mutex reportLock;
    Report report;
};

namespace {

MailOutcome NotSent(const MailJob& job, std::string reason) {
    return NotSentOutcome(job.label, MailDestination(job.settings), std::move(reason));
}

void LogNotSent(const MailOutcome& outcome) noexcept {
    try {
        LogError(MailFailureText(outcome));
    } catch (...) {
        // Not even the line could be made.
    }
}

}  // namespace

MailOutcome NotSentOutcome(std::string label, std::string destination, std::string reason) {
    MailOutcome outcome;
    outcome.label = std::move(label);
    outcome.destination = std::move(destination);
    outcome.reason = std::move(reason);
    return outcome;
}

std::string MailDestination(const EmailSettings& settings) {
    return settings.smtpServer + ", port " + std::to_string(settings.smtpPort);
}

std::string MailFailureText(const MailOutcome& outcome) {
    return outcome.label + ": the mail was not sent" +
           (outcome.destination.empty() ? "" : " through " + outcome.destination) + ": " +
           outcome.reason + (outcome.consequence.empty() ? "" : "; " + outcome.consequence);
}

std::string MailLeftOutText(const MailOutcome& outcome) {
    if (outcome.recipientsLeftOut.empty()) {
        return std::string();
    }
    const std::size_t more = outcome.recipientsLeftOut.size() - 1;
    return outcome.label + ": sent without " + outcome.recipientsLeftOut.front().who +
           (more == 0 ? ", whose address is not valid"
                      : " and " + std::to_string(more) + " more, whose addresses are not valid") +
           " (the log says why)";
}

MailWorker::MailWorker(Report report, std::unique_ptr<MailSource> source)
    : state_(std::make_shared<State>()) {
    state_->report = std::move(report);
    state_->source = std::move(source);
    // The thread shares the state, not the worker: one left behind by Stop outlives the worker.
    thread_ = std::thread([state = state_] {
        for (;;) {
            bool fromSource = false;
            std::optional<MailJob> next = NextJob(*state, fromSource);
            if (!next) {
                break;
            }
            MailJob job = std::move(*next);
            MailOutcome outcome = NotSentOutcome(job.label, MailDestination(job.settings), "");
            outcome.sent = true;
            if (job.cannotSend.empty()) {
                Send(*state, job, outcome);
            } else {
                outcome.sent = false;
                outcome.destination.clear();
                outcome.reason = job.cannotSend;
            }
            if (!outcome.sent && job.cannotSend.empty()) {
                const std::lock_guard<std::mutex> guard(state->lock);
                if (state->aborting) {
                    outcome.reason = state->abortReason;
                    outcome.stopped = true;
                }
            }
            if (fromSource) {
                try {
                    state->source->Finish(job, outcome);
                } catch (const std::exception& failure) {
                    LogNotSent(
                        NotSentOutcome(job.label, std::string(),
                                       std::string("what became of the mail could not be noted: ") +
                                           failure.what()));
                }
            }
            if (!outcome.sent) {
                LogNotSent(outcome);
            }
            const std::lock_guard<std::mutex> guard(state->reportLock);
            if (state->report) {
                state->report(outcome);
            }
        }
        if (state->source) {
            try {
                state->source->End();
            } catch (const std::exception& failure) {
                LogNotSent(NotSentOutcome("The mail queue", std::string(), failure.what()));
            }
        }
        const std::lock_guard<std::mutex> guard(state->lock);
        state->finished = true;
        state->changed.notify_all();
    });
}

MailWorker::~MailWorker() {
    Stop(std::chrono::milliseconds(0));
}

void MailWorker::Send(State& state, const MailJob& job, MailOutcome& outcome) {
    try {
        CKivSMTPConnection session;
        // Cleared before the session goes, so that Stop never aborts a session that is gone.
        struct InFlight {
            State& state;
            InFlight(State& s, CKivSMTPConnection& session) : state(s) {
                const std::lock_guard<std::mutex> guard(state.lock);
                state.inFlight = &session;
                if (state.aborting) {
                    session.Abort();
                }
            }
            ~InFlight() {
                const std::lock_guard<std::mutex> guard(state.lock);
                state.inFlight = nullptr;
            }
        } inFlight(state, session);
        SendReminderMail(session, job.subject, job.text, job.addresses, job.settings,
                         job.recipientNames, &outcome.recipientsLeftOut);
    } catch (const CKivSMTPException& failure) {
        outcome.sent = false;
        outcome.reason = failure.what();
        outcome.refusedForGood = IsPermanentRefusal(failure);
    } catch (const std::exception& failure) {
        outcome.sent = false;
        outcome.reason = failure.what();
    } catch (...) {
        outcome.sent = false;
        outcome.reason = "an unknown failure";
    }
}

std::optional<MailJob> MailWorker::NextJob(State& state, bool& fromSource) {
    std::unique_lock<std::mutex> guard(state.lock);
    for (;;) {
        if (state.aborting) {
            return std::nullopt;
        }
        if (!state.queue.empty()) {
            MailJob job = std::move(state.queue.front());
            state.queue.pop_front();
            return job;
        }
        if (state.stopping) {
            return std::nullopt;
        }
        std::chrono::milliseconds askAgainIn(60000);
        if (state.source) {
            state.woken = false;
            guard.unlock();
            std::optional<MailJob> job;
            try {
                job = state.source->Take(askAgainIn);
            } catch (const std::exception& failure) {
                LogNotSent(NotSentOutcome("The mail queue", std::string(), failure.what()));
            }
            guard.lock();
            if (job) {
                fromSource = true;
                return job;
            }
        }
        state.changed.wait_for(guard, askAgainIn, [&] {
            return !state.queue.empty() || state.stopping || state.woken;
        });
    }
}

void MailWorker::Wake() {
    const std::lock_guard<std::mutex> guard(state_->lock);
    state_->woken = true;
    state_->changed.notify_all();
}

void MailWorker::Queue(MailJob job) {
    {
        const std::lock_guard<std::mutex> guard(state_->lock);
        if (!state_->stopping) {
            state_->queue.push_back(std::move(job));
            state_->changed.notify_all();
            return;
        }
    }
    LogNotSent(NotSent(job, "the program ended before it went out"));
}

void MailWorker::Stop(std::chrono::milliseconds grace, const std::string& why) {
    if (!thread_.joinable()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> guard(state_->lock);
        state_->stopping = true;
        state_->abortReason = why;
        state_->changed.notify_all();
    }
    {
        const std::lock_guard<std::mutex> guard(state_->reportLock);
        state_->report = nullptr;
    }
    std::unique_lock<std::mutex> guard(state_->lock);
    const auto ended = [&] { return state_->finished; };
    if (!state_->changed.wait_for(guard, grace, ended)) {
        state_->aborting = true;
        if (state_->inFlight != nullptr) {
            state_->inFlight->Abort();
        }
        std::deque<MailJob> left = std::move(state_->queue);
        state_->queue.clear();
        guard.unlock();
        for (const MailJob& job : left) {
            LogNotSent(NotSent(job, why));
        }
        guard.lock();
        if (!state_->changed.wait_for(guard, kAbortWait, ended)) {
            guard.unlock();
            thread_.detach();
            LogWarning("The mail worker did not end in time; the program ends without it.");
            return;
        }
    }
    guard.unlock();
    thread_.join();
}

}  // namespace calvendra
