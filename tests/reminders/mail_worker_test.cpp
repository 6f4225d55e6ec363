// The mail worker against scripted servers on loopback: mails go out one after the other in the
// order queued, every one that is not sent leaves one line in the log, and stopping lets the mail
// in flight go on for the grace given, then aborts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "reminders/mail_worker.h"
#include "tests/mail/mail_inbox.h"
#include "tests/mail/scripted_peer.h"
#include "tests/support/captured_log.h"

namespace calvendra {
namespace {

using test::MailInbox;
using test::Peer;
using test::ScriptedServer;
using testing::CapturedLog;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

MailJob Job(const std::string& subject, std::uint16_t port) {
    MailJob job;
    job.label = "Reminder \"" + subject + "\"";
    job.subject = subject;
    job.text = "Text of " + subject;
    job.addresses = {"ann@example.org"};
    job.settings.senderAddress = "organizer@example.org";
    job.settings.smtpServer = "127.0.0.1";
    job.settings.smtpPort = port;
    return job;
}

// The outcomes a worker reported, as they came.
class Reports {
public:
    MailWorker::Report Collector() {
        return [this](const MailOutcome& outcome) {
            const std::lock_guard<std::mutex> guard(lock_);
            outcomes_.push_back(outcome);
            came_.notify_all();
        };
    }

    // Waits until `count` outcomes came, for half a minute at most.
    std::vector<MailOutcome> Await(std::size_t count) {
        std::unique_lock<std::mutex> guard(lock_);
        came_.wait_for(guard, std::chrono::seconds(30), [&] { return outcomes_.size() >= count; });
        return outcomes_;
    }

private:
    std::mutex lock_;
    std::condition_variable came_;
    std::vector<MailOutcome> outcomes_;
};

// The first session's greeting comes late: mails sent side by side would overtake it.
TEST(MailWorker, MailsGoOutOneAfterTheOtherInTheOrderQueued) {
    MailInbox inbox;
    std::atomic<int> sessions{0};
    ScriptedServer server(
        [&](Peer& peer) {
            if (sessions++ == 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
            inbox.Take(peer);
        },
        3);
    Reports reports;
    MailWorker worker(reports.Collector());
    for (const char* subject : {"First", "Second", "Third"}) {
        worker.Queue(Job(subject, server.Port()));
    }
    const std::vector<MailOutcome> outcomes = reports.Await(3);
    server.Join();
    EXPECT_THAT(inbox.Subjects(), ElementsAre("First", "Second", "Third"));
    ASSERT_EQ(outcomes.size(), 3u);
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        EXPECT_TRUE(outcomes[i].sent) << outcomes[i].reason;
        EXPECT_EQ(outcomes[i].label, Job(inbox.Subjects()[i], 0).label);
    }
}

TEST(MailWorker, AMailThatIsNotSentLeavesOneLineWithItsServerAndReason) {
    const std::uint16_t closed = test::UnusedPort();
    Reports reports;
    const CapturedLog log;
    {
        MailWorker worker(reports.Collector());
        worker.Queue(Job("Standup", closed));
        ASSERT_EQ(reports.Await(1).size(), 1u);
    }
    const MailOutcome outcome = reports.Await(1)[0];
    EXPECT_FALSE(outcome.sent);
    EXPECT_EQ(outcome.destination, "127.0.0.1, port " + std::to_string(closed));
    EXPECT_EQ(outcome.reason, "Connection refused");
    const std::string line =
        "Reminder \"Standup\": the mail was not sent through 127.0.0.1, port " +
        std::to_string(closed) + ": Connection refused\n";
    EXPECT_THAT(log.Text(), ::testing::EndsWith(line));
    EXPECT_EQ(log.Text().find("Standup"), log.Text().rfind("Standup"));
}

// A server that never greets: the grace runs out, the mail in flight is aborted (the server sees
// the connection go) and it and the mail queued behind it are logged as not sent. Nothing is
// reported once stopping began, and a mail queued after the stop is only logged.
TEST(MailWorker, StoppingAbortsTheMailInFlightAfterTheGraceAndLogsWhatWasNotSent) {
    std::promise<void> greeted;
    std::atomic<bool> sawClose{false};
    ScriptedServer silent([&](Peer& peer) {
        greeted.set_value();
        sawClose = peer.WaitForClose();
    });
    Reports reports;
    const CapturedLog log;
    MailWorker worker(reports.Collector());
    worker.Queue(Job("In flight", silent.Port()));
    worker.Queue(Job("Queued", silent.Port()));
    ASSERT_EQ(greeted.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    worker.Stop(std::chrono::milliseconds(200), "the test ended before it went out");
    silent.Join();
    EXPECT_TRUE(sawClose);
    worker.Queue(Job("Too late", silent.Port()));
    const std::string text = log.Text();
    for (const char* subject : {"In flight", "Queued"}) {
        EXPECT_THAT(text, HasSubstr("Reminder \"" + std::string(subject) +
                                    "\": the mail was not sent through 127.0.0.1, port " +
                                    std::to_string(silent.Port()) +
                                    ": the test ended before it went out\n"));
    }
    EXPECT_THAT(text, HasSubstr("Reminder \"Too late\": the mail was not sent through 127.0.0.1, "
                                "port " +
                                std::to_string(silent.Port()) +
                                ": the program ended before it went out\n"));
    EXPECT_THAT(reports.Await(0), IsEmpty());
}

// A slow server that answers within the grace gets its mail: stopping waits for it.
TEST(MailWorker, AMailThatCompletesWithinTheGraceIsSent) {
    MailInbox inbox;
    ScriptedServer slow([&](Peer& peer) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        inbox.Take(peer);
    });
    const CapturedLog log;
    MailWorker worker;
    worker.Queue(Job("Slow", slow.Port()));
    worker.Stop(std::chrono::seconds(10));
    slow.Join();
    EXPECT_THAT(inbox.Subjects(), ElementsAre("Slow"));
    EXPECT_THAT(log.Text(), Not(HasSubstr("not sent")));
}

}  // namespace
}  // namespace calvendra
