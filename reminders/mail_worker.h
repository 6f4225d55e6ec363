#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "settings/email_settings.h"

namespace calvendra {

// One mail to send: what SendReminderMail takes, with the settings as they were when the mail was
// queued, and how the log names it ("Reminder \"Standup\" (schedule 2000000002)").
struct MailJob {
    std::string label;
    std::string subject;
    std::string text;
    std::vector<std::string> addresses;
    EmailSettings settings;
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
};

// The server and port of the settings, as MailOutcome names them.
std::string MailDestination(const EmailSettings& settings);

// The line that the log and the main window's status bar show for a mail that was not sent:
// "<label>: the mail was not sent through <destination>: <reason>".
std::string MailFailureText(const MailOutcome& outcome);

// Sends mails one after the other, in the order they were queued, on a thread of its own, so that
// the thread that queues them never waits on the network. Every mail that is not sent gets one
// line in the program's log with its reason; every outcome also goes to the report function, on
// the worker's thread.
class MailWorker {
public:
    using Report = std::function<void(const MailOutcome&)>;

    // How long Stop waits for the aborted mail's session to end before it leaves the thread behind.
    static constexpr std::chrono::milliseconds kAbortWait{2000};

    explicit MailWorker(Report report = nullptr);
    // Stops at once (Stop with no grace) unless stopped before.
    ~MailWorker();
    MailWorker(const MailWorker&) = delete;
    MailWorker& operator=(const MailWorker&) = delete;

    // Queues a mail; it goes out after every mail queued before it. Once the worker stops, a mail
    // is only logged as not sent.
    void Queue(MailJob job);

    // Ends the worker. Reports stop at once; the worker goes on sending for at most `grace`, then
    // the mail in flight is aborted, and every mail not sent by then is logged as not sent, for
    // the reason given. Returns when the worker has ended, or, should an aborted session not end
    // within kAbortWait (a name lookup that hangs), leaves it to end on its own.
    void Stop(std::chrono::milliseconds grace,
              const std::string& why = "the program ended before it went out");

private:
    struct State;

    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace calvendra
