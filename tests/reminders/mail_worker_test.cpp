// The mail worker against scripted servers on loopback: mails go out one after the other in the
// order queued, every one that is not sent leaves one line in the log, and stopping lets the mail
// in flight go on for the grace given, then aborts it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

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

// A socket that listens on loopback and accepts nobody: whether a client connected shows in its
// queue of connections.
class QuietListener {
public:
    QuietListener() { fd_ = test::ListenOnLoopback(port_); }
    ~QuietListener() { ::close(fd_); }
    QuietListener(const QuietListener&) = delete;
    QuietListener& operator=(const QuietListener&) = delete;

    std::uint16_t Port() const { return port_; }
    bool SomebodyConnected() const {
        pollfd entry{fd_, POLLIN, 0};
        return ::poll(&entry, 1, 0) > 0;
    }

private:
    int fd_ = -1;
    std::uint16_t port_ = 0;
};

// A source with one mail, which it hands over only once the test lets it.
class HeldSource : public MailSource {
public:
    HeldSource(MailJob job, std::shared_future<void> release, std::promise<void>& asked,
               std::promise<MailOutcome>& finished)
        : job_(std::move(job)), release_(std::move(release)), asked_(asked), finished_(finished) {}

    std::optional<MailJob> Take(std::chrono::milliseconds& askAgainIn) override {
        if (given_) {
            askAgainIn = std::chrono::minutes(1);
            return std::nullopt;
        }
        given_ = true;
        asked_.set_value();
        release_.wait();
        return job_;
    }
    void Finish(const MailJob&, MailOutcome& outcome) override { finished_.set_value(outcome); }

private:
    MailJob job_;
    std::shared_future<void> release_;
    std::promise<void>& asked_;
    std::promise<MailOutcome>& finished_;
    bool given_ = false;
};

// Stop comes after the worker took a mail and before its session stands: the session is aborted
// before it connects, the worker ends within Stop's wait, and the mail is not sent.
TEST(MailWorker, AStopBetweenTakingAMailAndStartingItsSessionAbortsIt) {
    const QuietListener server;
    std::promise<void> release;
    std::promise<void> asked;
    std::promise<MailOutcome> finished;
    const CapturedLog log;
    MailWorker worker(nullptr,
                      std::make_unique<HeldSource>(Job("Held", server.Port()),
                                                   release.get_future().share(), asked, finished));
    ASSERT_EQ(asked.get_future().wait_for(std::chrono::seconds(30)), std::future_status::ready);
    // A mail queued behind it is logged as not sent once Stop has begun to abort.
    worker.Queue(Job("Behind", server.Port()));
    std::thread stopping(
        [&] { worker.Stop(std::chrono::milliseconds(0), "the test ended before it went out"); });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (log.Text().find("Reminder \"Behind\": the mail was not sent") == std::string::npos &&
           std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    release.set_value();
    stopping.join();
    std::future<MailOutcome> outcome = finished.get_future();
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(0)), std::future_status::ready)
        << "the worker ended before the held mail was finished";
    const MailOutcome held = outcome.get();
    EXPECT_FALSE(held.sent);
    EXPECT_TRUE(held.stopped);
    EXPECT_EQ(held.reason, "the test ended before it went out");
    EXPECT_FALSE(server.SomebodyConnected());
    EXPECT_THAT(log.Text(), Not(HasSubstr("did not end in time")));
    EXPECT_THAT(log.Text(),
                HasSubstr("Reminder \"Held\": the mail was not sent through "
                          "127.0.0.1, port " +
                          std::to_string(server.Port()) + ": the test ended before it went out"));
}

}  // namespace
}  // namespace calvendra
