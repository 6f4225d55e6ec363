// Reminder mail through the queue to a real SMTP server (aiosmtpd) on loopback, on both databases,
// with organizers that share the database and a clock of the test's: every due mail reaches the
// server once whoever queues it, a server that is down gets it once it is back, a refusal for good
// and a day-old mail are given up, so is a mail whose schedule went, what waits survives a
// restart, and a database without the queue's table gets its mail at once as before.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "mail_queue/retry_schedule.h"
#include "tests/mail/scripted_peer.h"
#include "tests/mail/smtp_sink_server.h"
#include "tests/mail_queue/queue_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {
namespace {

using ::testing::HasSubstr;

constexpr Identifier kSchedule = 2000000002;

class MailQueueDelivery : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        std::string why;
        ASSERT_TRUE(server_.Start(why)) << why;
        AddScheduleWithAttendants(Database(), kSchedule, "Standup",
                                  {"ann@example.org", "bob@example.org"});
    }

    std::string Row(std::time_t minute) { return QueuedRow(Database(), kSchedule, minute); }

    FakeClock clock_{MinuteStart(std::time(nullptr))};
    test::SmtpSinkServer server_;
};

TEST_P(MailQueueDelivery, ThreeOrganizersSendEachDueMailOnceWithBothRecipients) {
    TestMailSettings settings(server_.Port());
    std::vector<std::unique_ptr<TestOrganizer>> organizers;
    for (const char* name : {"first", "second", "third"}) {
        organizers.push_back(std::make_unique<TestOrganizer>(name, clock_, settings));
    }
    const std::time_t start = clock_();
    for (int minute = 0; minute < 3; ++minute) {
        const std::time_t due = start + 60 * minute;
        clock_.Set(due + 1);
        // Each organizer's scan finds the schedule due and hands its mail over.
        for (auto& organizer : organizers) {
            organizer->Due(kSchedule, due, "Standup");
        }
        ASSERT_TRUE(WaitFor([&] { return Row(due).rfind("sent/", 0) == 0; })) << Row(due);
        for (auto& organizer : organizers) {
            organizer->Wake();
        }
        const std::vector<std::string> messages = server_.Messages();
        ASSERT_EQ(messages.size(), static_cast<std::size_t>(minute + 1));
        EXPECT_EQ(ParsedSubjectAndTo(messages.back()), "Standup|ann@example.org,bob@example.org");
    }
    for (auto& organizer : organizers) {
        organizer->Stop();
    }
    EXPECT_EQ(server_.Messages().size(), 3u);
    EXPECT_EQ(Database().QueryValue("select count(*) from mail_queue where state='sent' and "
                                    "tries=1"),
              "3");
}

TEST_P(MailQueueDelivery, AServerDownInTheDueMinuteGetsTheMailOnceItIsBack) {
    const std::uint16_t port = test::UnusedPort();
    TestMailSettings settings(port);
    TestOrganizer organizer("only", clock_, settings);
    const std::time_t due = clock_();
    organizer.Due(kSchedule, due, "Standup");
    ASSERT_TRUE(WaitFor([&] { return Row(due) == "waiting/1/Connection refused"; })) << Row(due);

    // A minute later it is tried again, and the server is still down.
    clock_.Advance(std::chrono::seconds(61));
    organizer.Wake();
    ASSERT_TRUE(WaitFor([&] { return Row(due) == "waiting/2/Connection refused"; })) << Row(due);
    EXPECT_EQ(Database().QueryValue("select next_try from mail_queue"),
              std::to_string(due + 61 + 120));

    // The server comes back three minutes after the due minute, where it was.
    test::SmtpSinkServer back;
    back.UsePort(port);
    std::string why;
    ASSERT_TRUE(back.Start(why)) << why;
    clock_.Set(due + 61 + 120);
    organizer.Wake();
    ASSERT_TRUE(WaitFor([&] { return Row(due).rfind("sent/3/", 0) == 0; })) << Row(due);
    // The outcome is reported once the row is marked.
    ASSERT_TRUE(WaitFor([&] { return organizer.Outcomes().size() == 3; }));
    organizer.Stop();
    ASSERT_EQ(back.Messages().size(), 1u);
    EXPECT_EQ(ParsedSubjectAndTo(back.Messages()[0]), "Standup|ann@example.org,bob@example.org");
    const std::vector<MailOutcome> outcomes = organizer.Outcomes();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].consequence, "it is tried again at " + LocalMinuteText(due + 60));
    EXPECT_TRUE(outcomes[2].sent);
}

// A server that refuses a recipient for good: the mail is given up at once, with the reason, and
// the outcome says so (the status bar shows it).
TEST_P(MailQueueDelivery, ARefusalForGoodIsGivenUpAtOnce) {
    test::ScriptedServer refusing([](test::Peer& peer) {
        peer.Send("220 refusing.test\r\n");
        peer.ReadLine();
        peer.Send("250 hello\r\n");
        peer.ReadLine();
        peer.Send("250 sender ok\r\n");
        peer.ReadLine();
        peer.Send("550 5.1.1 no such mailbox\r\n");
        peer.ReadLine();
        peer.Send("221 bye\r\n");
    });
    TestMailSettings settings(refusing.Port());
    TestOrganizer organizer("only", clock_, settings);
    const CapturedLog log;
    const std::time_t due = clock_();
    organizer.Due(kSchedule, due, "Standup");
    ASSERT_TRUE(WaitFor([&] { return Row(due).rfind("given up/1/", 0) == 0; })) << Row(due);
    refusing.Join();
    EXPECT_THAT(Row(due), HasSubstr("550 5.1.1 no such mailbox"));
    ASSERT_TRUE(WaitFor([&] { return organizer.Outcomes().size() == 1; }));
    EXPECT_TRUE(organizer.Outcomes()[0].givenUp);
    EXPECT_THAT(log.Text(), HasSubstr("no such mailbox; it is given up\n"));
}

// An attendant whose stored address is no valid mail address is left out, and the others get the
// mail: the queue's row says who was left out and why, for the Mail Queue window to show.
TEST_P(MailQueueDelivery, AMailSentWithoutAnAttendantSaysWhoWasLeftOutAndWhy) {
    constexpr Identifier kReview = 2000000003;
    AddScheduleWithAttendants(Database(), kReview, "Review",
                              {"carl@example.org", "to1@example.org> NOTIFY=SUCCESS"});
    TestMailSettings settings(server_.Port());
    TestOrganizer organizer("only", clock_, settings);
    const std::time_t due = clock_();
    organizer.Due(kReview, due, "Review");
    const auto row = [&] { return QueuedRow(Database(), kReview, due); };
    ASSERT_TRUE(WaitFor([&] { return row().rfind("sent/1/", 0) == 0; })) << row();
    EXPECT_EQ(row(),
              "sent/1/sent without contact 1000000032: the address \"to1@example.org> "
              "NOTIFY=SUCCESS\" is no valid mail address: its domain holds \">\" (octet 16)");
    EXPECT_EQ(Database().QueryValue("select recipients from mail_queue where schedule_id="
                                    "'2000000003'"),
              "carl@example.org");
    ASSERT_EQ(server_.Messages().size(), 1u);
    EXPECT_EQ(ParsedSubjectAndTo(server_.Messages()[0]), "Review|carl@example.org");
    ASSERT_TRUE(WaitFor([&] { return organizer.Outcomes().size() == 1; }));
    const MailOutcome outcome = organizer.Outcomes()[0];
    EXPECT_TRUE(outcome.sent);
    ASSERT_EQ(outcome.recipientsLeftOut.size(), 1u);
    EXPECT_EQ(outcome.recipientsLeftOut[0].who, "contact 1000000032");
}

// A server may take long to accept a mail, up to the ten minutes the session waits, longer than a
// claim lasts: the sending organizer renews its claim meanwhile, so that another organizer leaves
// the mail alone rather than send it a second time.
TEST_P(MailQueueDelivery, AMailThatTakesLongerThanItsLeaseToGoOutKeepsItsClaim) {
    constexpr std::chrono::seconds kShortLease{3};
    std::atomic<bool> holding{false};
    std::atomic<bool> accept{false};
    std::string data;
    test::ScriptedServer slow([&](test::Peer& peer) {
        peer.Send("220 slow.test\r\n");
        for (const char* answer : {"250 hello\r\n", "250 sender ok\r\n", "250 ann ok\r\n",
                                   "250 bob ok\r\n", "354 go\r\n"}) {
            peer.ReadLine();
            peer.Send(answer);
        }
        data = peer.ReadUntil("\r\n.\r\n");
        // The delivery, for as long as the test wants it.
        holding = true;
        WaitFor([&] { return accept.load(); }, std::chrono::seconds(300));
        peer.Send("250 delivered\r\n");
        peer.ReadLine();
        peer.Send("221 bye\r\n");
    });
    // However the test ends, the server lets the session end.
    const std::unique_ptr<std::atomic<bool>, void (*)(std::atomic<bool>*)> release(
        &accept, [](std::atomic<bool>* flag) { *flag = true; });
    TestMailSettings slowSettings(slow.Port());
    TestOrganizer first("first", clock_, slowSettings, kShortLease);
    const std::time_t due = clock_();
    first.Due(kSchedule, due, "Standup");
    ASSERT_TRUE(WaitFor([&] { return holding.load(); }));
    const auto lease = [&] {
        try {
            return Database().QueryValue(
                "select claimed_by || '/' || lease_until from mail_queue where schedule_id='" +
                std::to_string(kSchedule) + "'");
        } catch (const std::runtime_error& failure) {
            // An organizer holds SQLite's lock just now; a wait asks again.
            return std::string("<") + failure.what() + ">";
        }
    };
    EXPECT_EQ(lease(), "first/" + std::to_string(due + kShortLease.count()));

    // Long after the first lease ran out the claim holds, renewed.
    clock_.Advance(std::chrono::seconds(1000));
    ASSERT_TRUE(WaitFor([&] {
        return lease() == "first/" + std::to_string(due + 1000 + kShortLease.count());
    })) << lease();
    // Another organizer takes the mails in the order they fell due: it sends one that fell due
    // with the first, of a later schedule, and leaves the first alone.
    constexpr Identifier kReview = 2000000003;
    AddScheduleWithAttendants(Database(), kReview, "Review", {"carl@example.org"});
    TestMailSettings settings(server_.Port());
    TestOrganizer second("second", clock_, settings, kShortLease);
    second.Due(kReview, due, "Review");
    ASSERT_TRUE(WaitFor([&] { return QueuedRow(Database(), kReview, due) == "sent/1/"; }))
        << QueuedRow(Database(), kReview, due);
    EXPECT_EQ(Row(due), "sending/1/");
    EXPECT_THAT(lease(), ::testing::StartsWith("first/"));

    accept = true;
    ASSERT_TRUE(WaitFor([&] { return Row(due) == "sent/1/"; })) << Row(due);
    slow.Join();
    second.Stop();
    first.Stop();
    ASSERT_EQ(server_.Messages().size(), 1u);
    EXPECT_EQ(ParsedSubjectAndTo(server_.Messages()[0]), "Review|carl@example.org");
    // The scripted server got the message once, as the standard's reader reads it.
    ASSERT_GT(data.size(), 3u);
    EXPECT_EQ(ParsedSubjectAndTo("envelope\r\n\r\n" + data.substr(0, data.size() - 3)),
              "Standup|ann@example.org,bob@example.org");
}

// What cannot be mended by waiting is given up with its reason: a mail whose day is over, and one
// whose schedule or attendants went meanwhile.
TEST_P(MailQueueDelivery, AMailWhoseTimeIsOverOrWhoseScheduleWentIsGivenUpWithTheReason) {
    TestMailSettings settings(server_.Port());
    const std::time_t due = clock_();
    const struct {
        std::time_t minute;
        std::string change;
        std::string reason;
    } cases[] = {
        {due - 86400, "", "it fell due more than 24 hours ago"},
        {due - 120, "delete from schedule_contact where schedule_id='2000000002'",
         "the schedule has no attendants any more"},
        {due - 60, "delete from assist_scheduleinfo where schedule_id='2000000002'",
         "the schedule was deleted"},
    };
    for (const auto& c : cases) {
        {
            // Queued while all was well, by an organizer that ended before it could send it.
            Database().Execute(
                "insert into mail_queue (schedule_id, due_minute, subject, "
                "mail_text, recipients, state, claimed_by, lease_until, tries, "
                "next_try, last_reason, queued_at, sent_at) values ('2000000002'," +
                std::to_string(c.minute) + ",'Standup','','','waiting','',0,0," +
                std::to_string(c.minute) + ",''," + std::to_string(c.minute) + ",0)");
        }
        if (!c.change.empty()) {
            Database().Execute(c.change);
        }
        TestOrganizer organizer("later", clock_, settings);
        ASSERT_TRUE(WaitFor([&] { return Row(c.minute) == "given up/1/" + c.reason; }))
            << Row(c.minute);
    }
    EXPECT_EQ(server_.Messages().size(), 0u);
}

// An organizer started after another ended (a crash, a power cut) sends what still waits.
TEST_P(MailQueueDelivery, WhatWaitsInTheQueueIsSentByTheNextOrganizerToStart) {
    const std::uint16_t down = test::UnusedPort();
    TestMailSettings settings(down);
    const std::time_t due = clock_();
    {
        TestOrganizer first("first", clock_, settings);
        first.Due(kSchedule, due, "Standup");
        ASSERT_TRUE(WaitFor([&] { return Row(due).rfind("waiting/1/", 0) == 0; })) << Row(due);
    }
    settings.SetPort(server_.Port());
    clock_.Advance(std::chrono::minutes(10));
    TestOrganizer next("next", clock_, settings);
    ASSERT_TRUE(WaitFor([&] { return Row(due).rfind("sent/2/", 0) == 0; })) << Row(due);
    EXPECT_EQ(server_.Messages().size(), 1u);
}

// The queue keeps what was sent or given up for a month after it fell due, then lets it go;
// what still waits stays however old it is, to be given up first.
TEST_P(MailQueueDelivery, MailsSentOrGivenUpLongAgoLeaveTheQueue) {
    const std::time_t now = clock_();
    const std::time_t kept = std::chrono::duration_cast<std::chrono::seconds>(kMailKeptFor).count();
    const auto row = [&](Identifier schedule, std::time_t due, const char* state) {
        Database().Execute("insert into mail_queue values ('" + std::to_string(schedule) + "'," +
                           std::to_string(due) + ",'Old','t','r','" + state + "',NULL,NULL,1," +
                           std::to_string(due) + ",NULL," + std::to_string(due) + ",NULL)");
    };
    row(kSchedule, now - kept - 60, "sent");
    row(kSchedule, now - kept - 120, "given up");
    row(kSchedule, now - kept - 180, "waiting");
    row(kSchedule, now - kept + 60, "sent");
    TestMailSettings settings(server_.Port());
    const CapturedLog log;
    TestOrganizer organizer("only", clock_, settings);
    organizer.Due(kSchedule, now, "Standup");
    ASSERT_TRUE(WaitFor([&] { return Row(now).rfind("sent/", 0) == 0; })) << Row(now);
    ASSERT_TRUE(WaitFor([&] { return Row(now - kept - 180).rfind("given up/", 0) == 0; }))
        << Row(now - kept - 180);
    organizer.Stop();
    EXPECT_EQ(Database().QueryColumn("select due_minute from mail_queue order by due_minute"),
              (std::vector<std::string>{std::to_string(now - kept - 180),
                                        std::to_string(now - kept + 60), std::to_string(now)}));
    EXPECT_THAT(log.Text(),
                HasSubstr("2 mails sent or given up more than 30 days ago were deleted"));
}

// An older database: the mail goes out at once, once, as before the queue; the log says once that
// mail is not queued and which step of the README adds the table.
TEST_P(MailQueueDelivery, ADatabaseWithoutTheTableGetsItsMailAtOnceAndSaysSoOnce) {
    Database().Execute("drop table mail_queue");
    TestMailSettings settings(server_.Port());
    const CapturedLog log;
    TestOrganizer organizer("only", clock_, settings);
    organizer.Due(kSchedule, clock_(), "Standup");
    organizer.Due(kSchedule, clock_() + 60, "Standup again");
    ASSERT_TRUE(WaitFor([&] { return server_.Messages().size() == 2; }));
    organizer.Stop();
    EXPECT_EQ(ParsedSubjectAndTo(server_.Messages()[0]), "Standup|ann@example.org,bob@example.org");
    const std::string text = log.Text();
    const std::string line = "Reminder mail is not queued: the database has no table mail_queue";
    EXPECT_THAT(text, HasSubstr(line));
    EXPECT_THAT(text, HasSubstr("\"Adding the newer tables to an existing database\""));
    EXPECT_EQ(text.find(line), text.rfind(line)) << text;
}

CALVENDRA_FOR_EACH_BACKEND(MailQueueDelivery);

}  // namespace
}  // namespace calvendra::testing
