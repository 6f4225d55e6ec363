// Organizers in processes of their own on one database, on both databases: one that is killed
// (SIGKILL) after it claimed a mail and before it sent it holds the mail only until its claim runs
// out; then another organizer sends it, once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/mail/scripted_peer.h"
#include "tests/mail/smtp_sink_server.h"
#include "tests/mail_queue/queue_test_support.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {
namespace {

constexpr Identifier kSchedule = 2000000002;

// Runs the claiming organizer and waits for what it prints first.
class ClaimingProcess {
public:
    ClaimingProcess(const std::string& name, std::time_t clock) {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0) {
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipeEnds[1], STDOUT_FILENO);
            close(pipeEnds[0]);
            close(pipeEnds[1]);
            const std::string clockText = std::to_string(clock);
            execl(CALVENDRA_CLAIMING_ORGANIZER, "claiming_organizer", name.c_str(),
                  clockText.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(pipeEnds[1]);
        output_ = fdopen(pipeEnds[0], "r");
    }
    ~ClaimingProcess() {
        Kill();
        if (output_ != nullptr) {
            fclose(output_);
        }
    }

    // The first line it printed ("claimed" or "nothing"); empty when it printed none.
    std::string FirstLine() {
        char line[64] = {};
        if (output_ == nullptr || fgets(line, sizeof line, output_) == nullptr) {
            return std::string();
        }
        std::string text = line;
        return text.substr(0, text.find('\n'));
    }

    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    FILE* output_ = nullptr;
};

class MailQueueProcesses : public DatabaseTest {};

TEST_P(MailQueueProcesses, AClaimOfAKilledOrganizerIsTakenOverAfterItsLeaseAndSentOnce) {
    test::SmtpSinkServer server;
    std::string why;
    ASSERT_TRUE(server.Start(why)) << why;
    AddScheduleWithAttendants(Database(), kSchedule, "Standup",
                              {"ann@example.org", "bob@example.org"});
    const std::time_t due = MinuteStart(std::time(nullptr));
    FakeClock clock(due);
    TestMailSettings settings(server.Port());
    {
        // The first organizer queues the mail, without a server to send it to yet.
        TestMailSettings nowhere(test::UnusedPort());
        TestOrganizer queuing("queuing", clock, nowhere);
        queuing.Due(kSchedule, due, "Standup");
        ASSERT_TRUE(WaitFor([&] {
            return QueuedRow(Database(), kSchedule, due) == "waiting/1/Connection refused";
        })) << QueuedRow(Database(), kSchedule, due);
    }
    const std::time_t claimedAt = due + 60;
    ClaimingProcess dying("dying", claimedAt);
    ASSERT_EQ(dying.FirstLine(), "claimed");
    dying.Kill();
    EXPECT_EQ(Database().Query("select state, claimed_by, tries from mail_queue"),
              (Rows{{"sending", "dying", "2"}}));

    // Within the lease, another organizer leaves the mail alone (its claim is shown by a process
    // of its own that finds nothing to claim); after it, the mail is taken over and sent.
    ClaimingProcess tooEarly("too early", claimedAt + 299);
    EXPECT_EQ(tooEarly.FirstLine(), "nothing");
    clock.Set(claimedAt + 300);
    TestOrganizer next("next", clock, settings);
    ASSERT_TRUE(WaitFor([&] {
        return QueuedRow(Database(), kSchedule, due).rfind("sent/3/", 0) == 0;
    })) << QueuedRow(Database(), kSchedule, due);
    next.Stop();
    ASSERT_EQ(server.Messages().size(), 1u);
    EXPECT_EQ(ParsedSubjectAndTo(server.Messages()[0]), "Standup|ann@example.org,bob@example.org");
}

CALVENDRA_FOR_EACH_BACKEND(MailQueueProcesses);

}  // namespace
}  // namespace calvendra::testing
