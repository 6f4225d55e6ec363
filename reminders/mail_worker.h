#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "reminders/left_out_recipient.h"
#include "settings/email_settings.h"

namespace calvendra {

// One mail to send: what SendReminderMail takes, with the settings as they were when the mail was
// queued, and how the log names it ("Reminder \"Standup\" (schedule 2000000002)").
struct MailJob {
    std::string label;
    std::string subject;
    std::string text;
    std::vector<std::string> addresses;
    // Who each address belongs to, by position, as the log names them ("Ann Smith (contact
    // 1000000002)"); may be shorter than the addresses.
    std::vector<std::string> recipientNames;
    EmailSettings settings;
    // Why the mail cannot go out at all (its schedule was deleted, its attendants could not be
    // read); when set, no session is opened and the outcome carries this reason.
    std::string cannotSend;
};

// What became of a mail.
struct MailOutcome {
    std::string label;
    bool sent = false;
    // The server and port the mail was meant for ("smtp.example.org, port 587"); empty when it
    // never got that far.
    std::string destination;
    // Why it was not sent.
    std::string reason;
    // What follows for a mail that was not sent ("it is tried again at 09:32", "it is given up");
    // empty when nothing does.
    std::string consequence;
    // The server refused the mail in a way that no retry mends (IsPermanentRefusal).
    bool refusedForGood = false;
    // The mail will not be tried again.
    bool givenUp = false;
    // The worker stopped before the mail could go out.
    bool stopped = false;
    // The recipients left out because their address is no valid mail address; the others got the
    // mail if it was sent.
    std::vector<LeftOutRecipient> recipientsLeftOut;
};

// Where a worker finds mails besides those queued with MailWorker::Queue (a queue kept in the
// database, say). Called on the worker's thread only, one mail at a time.
class MailSource {
public:
    virtual ~MailSource() = default;

    // The next mail to send now, if any. When there is none, `askAgainIn` says when to ask again
    // at the latest (MailWorker::Wake asks sooner).
    virtual std::optional<MailJob> Take(std::chrono::milliseconds& askAgainIn) = 0;

    // What became of the mail that Take gave last, before it is logged and reported; the source
    // may add what follows (a retry, the end of tries).
    virtual void Finish(const MailJob& job, MailOutcome& outcome) = 0;

    // The worker ends: the source keeps what it still holds where it is not lost.
    virtual void End() {}
};

// The outcome of a mail that was not sent, for the reason given.
MailOutcome NotSentOutcome(std::string label, std::string destination, std::string reason);

// The server and port of the settings, as MailOutcome names them.
std::string MailDestination(const EmailSettings& settings);

// The line that the log and the main window's status bar show for a mail that was not sent:
// "<label>: the mail was not sent through <destination>: <reason>[; <consequence>]".
std::string MailFailureText(const MailOutcome& outcome);

// The line the main window's status bar shows for a mail that was sent without some of its
// recipients: "<label>: sent without Ann Smith (contact 1000000002), whose address is not valid
// (the log says why)", or "... without Ann Smith (contact 1000000002) and 2 more, whose
// addresses ...".
std::string MailLeftOutText(const MailOutcome& outcome);

// Sends mails one after the other, in the order they were queued, on a thread of its own, so that
// the thread that queues them never waits on the network. Every mail that is not sent gets one
// line in the program's log with its reason; every outcome also goes to the report function, on
// the worker's thread. With a source, the worker also sends what the source gives whenever no
// queued mail waits.
class MailWorker {
public:
    using Report = std::function<void(const MailOutcome&)>;

    // How long Stop waits for the aborted mail's session to end before it leaves the thread behind.
    static constexpr std::chrono::milliseconds kAbortWait{2000};

    explicit MailWorker(Report report = nullptr, std::unique_ptr<MailSource> source = nullptr);
    // Stops at once (Stop with no grace) unless stopped before.
    ~MailWorker();
    MailWorker(const MailWorker&) = delete;
    MailWorker& operator=(const MailWorker&) = delete;

    // Queues a mail; it goes out after every mail queued before it. Once the worker stops, a mail
    // is only logged as not sent.
    void Queue(MailJob job);

    // Makes the worker ask its source for mail now rather than when the source said. Any thread.
    void Wake();

    // Ends the worker. Reports stop at once and the source is asked for no more mail; the worker
    // goes on sending for at most `grace`, then the mail in flight is aborted, and every mail not
    // sent by then is logged as not sent, for the reason given. Returns when the worker has ended,
    // or, should an aborted session not end within kAbortWait (a name lookup that hangs), leaves it
    // to end on its own.
    void Stop(std::chrono::milliseconds grace,
              const std::string& why = "the program ended before it went out");

private:
    struct State;

    // The next mail: a queued one first, then one of the source's. Empty once the worker is to
    // end.
    static std::optional<MailJob> NextJob(State& state, bool& fromSource);
    // Sends one mail over a session that Stop can abort; a mail not sent gets its reason.
    static void Send(State& state, const MailJob& job, MailOutcome& outcome);

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace calvendra
