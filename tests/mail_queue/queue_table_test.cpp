// The mail queue's table on both databases, through separate connections that play organizers
// sharing it: one row per schedule and due minute whoever queues it, one claim whoever claims,
// a claim that ran out taken over, the user's commands on waiting mails only, and the retry
// schedule that the rows follow.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "mail_queue/mail_queue_table.h"
#include "mail_queue/retry_schedule.h"
#include "tests/mail_queue/queue_test_support.h"
#include "tests/support/database_test.h"

namespace calvendra::testing {
namespace {

namespace table = mail_queue_table;

constexpr Identifier kSchedule = 2000000002;
constexpr std::time_t kDue = 1765186200;  // the start of a minute

class MailQueueTable : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        AddScheduleWithAttendants(Database(), kSchedule, "Standup",
                                  {"ann@example.org", "bob@example.org"});
        for (int i = 0; i < 3; ++i) {
            organizers_.push_back(std::make_unique<CDBConnection>("Calvendra", "opal", "kelp"));
            ASSERT_TRUE(organizers_.back()->OpenConnection())
                << organizers_.back()->LastError().Text();
        }
    }

    CDBConnection& Organizer(int i) { return *organizers_.at(i); }

    std::vector<std::unique_ptr<CDBConnection>> organizers_;
};

TEST_P(MailQueueTable, AMailIsQueuedOnceWhoeverQueuesItAndNeverForAScheduleWithoutAttendants) {
    int made = 0;
    for (int i = 0; i < 3; ++i) {
        bool queued = false;
        ASSERT_TRUE(
            table::Add(Organizer(i), kSchedule, kDue, "Standup", "It's at ten.", kDue + 5, queued))
            << Organizer(i).LastError().Text();
        made += queued;
    }
    EXPECT_EQ(made, 1);
    EXPECT_EQ(Database().Query("select schedule_id, due_minute, subject, mail_text, state, tries, "
                               "next_try, queued_at from mail_queue"),
              (Rows{{"2000000002", std::to_string(kDue), "Standup", "It's at ten.", "waiting", "0",
                     std::to_string(kDue + 5), std::to_string(kDue + 5)}}));

    // The next minute is a mail of its own.
    bool queued = false;
    ASSERT_TRUE(table::Add(Organizer(1), kSchedule, kDue + 60, "Standup", "", kDue + 65, queued));
    EXPECT_TRUE(queued);

    Database().Execute(
        "insert into assist_scheduleinfo values ('2000000003','2000000001','Alone',"
        "'',1,3,'0','','09:30:00',1)");
    ASSERT_TRUE(table::Add(Organizer(2), 2000000003, kDue, "Alone", "", kDue, queued));
    EXPECT_FALSE(queued);
    EXPECT_EQ(Database().QueryValue("select count(*) from mail_queue"), "2");
}

TEST_P(MailQueueTable, OnlyOneOrganizerClaimsAMailAndAClaimThatRanOutIsTakenOver) {
    bool queued = false;
    ASSERT_TRUE(table::Add(Organizer(0), kSchedule, kDue, "Standup", "", kDue, queued));
    // All three read the mail as takeable, then each tries to claim what it read.
    std::vector<std::vector<QueuedMail>> seen;
    for (int i = 0; i < 3; ++i) {
        seen.push_back(table::SelectTakeable(Organizer(i), kDue + 1, 10));
        ASSERT_EQ(seen.back().size(), 1u);
    }
    int claims = 0;
    for (int i = 0; i < 3; ++i) {
        bool claimed = false;
        ASSERT_TRUE(table::Claim(Organizer(i), seen[i][0], "organizer " + std::to_string(i),
                                 kDue + 1, kDue + 301, claimed));
        claims += claimed;
    }
    EXPECT_EQ(claims, 1);
    EXPECT_EQ(Database().Query("select state, claimed_by, lease_until, tries from mail_queue"),
              (Rows{{"sending", "organizer 0", std::to_string(kDue + 301), "1"}}));

    // Held until the lease ends; then another organizer takes it over.
    EXPECT_TRUE(table::SelectTakeable(Organizer(1), kDue + 300, 10).empty());
    EXPECT_EQ(table::NextTakeableAt(Organizer(1)), std::optional<std::time_t>(kDue + 301));
    const std::vector<QueuedMail> ranOut = table::SelectTakeable(Organizer(1), kDue + 301, 10);
    ASSERT_EQ(ranOut.size(), 1u);
    bool claimed = false;
    ASSERT_TRUE(
        table::Claim(Organizer(1), ranOut[0], "organizer 1", kDue + 301, kDue + 601, claimed));
    ASSERT_TRUE(claimed);

    // The first organizer's late mark changes nothing; the one holding the claim marks it.
    QueuedMail firstClaim = seen[0][0];
    firstClaim.tries = 1;
    bool changed = true;
    ASSERT_TRUE(
        table::MarkSent(Organizer(0), firstClaim, "organizer 0", "ann", kDue + 302, "", changed));
    EXPECT_FALSE(changed);
    QueuedMail secondClaim = ranOut[0];
    secondClaim.tries = 2;
    ASSERT_TRUE(table::MarkWaiting(Organizer(1), secondClaim, "organizer 1",
                                   "ann@example.org, bob@example.org", kDue + 420,
                                   "Connection refused", changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(Database().Query("select state, claimed_by, tries, next_try, last_reason, recipients "
                               "from mail_queue"),
              (Rows{{"waiting", "", "2", std::to_string(kDue + 420), "Connection refused",
                     "ann@example.org, bob@example.org"}}));
}

TEST_P(MailQueueTable, SendNowAndGiveUpActOnWaitingMailsOnly) {
    bool queued = false;
    ASSERT_TRUE(table::Add(Organizer(0), kSchedule, kDue, "Standup", "", kDue + 3600, queued));
    ASSERT_TRUE(table::Add(Organizer(0), kSchedule, kDue + 60, "Standup", "", kDue, queued));
    bool changed = false;
    ASSERT_TRUE(table::SendNow(Organizer(1), kSchedule, kDue, kDue + 10, changed));
    EXPECT_TRUE(changed);
    EXPECT_EQ(table::SelectTakeable(Organizer(1), kDue + 10, 10).size(), 2u);

    ASSERT_TRUE(table::GiveUp(Organizer(2), kSchedule, kDue, "given up by the user", changed));
    EXPECT_TRUE(changed);
    ASSERT_TRUE(table::GiveUp(Organizer(2), kSchedule, kDue, "again", changed));
    EXPECT_FALSE(changed);
    ASSERT_TRUE(table::SendNow(Organizer(1), kSchedule, kDue, kDue + 20, changed));
    EXPECT_FALSE(changed);
    EXPECT_EQ(Database().Query("select state, last_reason from mail_queue where due_minute=" +
                               std::to_string(kDue)),
              (Rows{{"given up", "given up by the user"}}));
    const std::vector<QueuedMail> all = table::SelectAll(Organizer(0), 10);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].dueMinute, kDue + 60);  // latest first
    EXPECT_EQ(all[1].state, QueuedMailState::kGivenUp);
}

TEST_P(MailQueueTable, TheTableIsToldApartFromADatabaseWithoutIt) {
    OdbcDiagnostic failure;
    EXPECT_EQ(table::HasTable(Organizer(0), failure), std::optional<bool>(true));
    Database().Execute("drop table mail_queue");
    EXPECT_EQ(table::HasTable(Organizer(1), failure), std::optional<bool>(false));
    EXPECT_FALSE(failure.Empty());
}

TEST_P(MailQueueTable, OnlyMailsSentOrGivenUpBeforeTheBoundAreDeleted) {
    const auto row = [&](Identifier schedule, std::time_t due, const char* state) {
        Database().Execute("insert into mail_queue values ('" + std::to_string(schedule) + "'," +
                           std::to_string(due) + ",'s','t','r','" + state + "',NULL,NULL,1," +
                           std::to_string(due) + ",NULL," + std::to_string(due) + ",NULL)");
    };
    // One schedule per state (sent, given up, waiting, sending), each with two old mails.
    const char* const states[] = {"sent", "given up", "waiting", "sending"};
    for (Identifier i = 0; i < 4; ++i) {
        row(kSchedule + i, kDue - 120, states[i]);
        row(kSchedule + i, kDue - 60, states[i]);
    }
    // Due at the bound itself, and after it: kept.
    row(kSchedule, kDue, "sent");
    row(kSchedule, kDue + 60, "given up");

    long deleted = -1;
    ASSERT_TRUE(table::DeleteFinishedBefore(Organizer(0), kDue, deleted))
        << Organizer(0).LastError().Text();
    EXPECT_EQ(deleted, 4);
    EXPECT_EQ(Database().Query("select schedule_id, due_minute, state from mail_queue "
                               "order by due_minute, schedule_id"),
              (Rows{{"2000000004", std::to_string(kDue - 120), "waiting"},
                    {"2000000005", std::to_string(kDue - 120), "sending"},
                    {"2000000004", std::to_string(kDue - 60), "waiting"},
                    {"2000000005", std::to_string(kDue - 60), "sending"},
                    {"2000000002", std::to_string(kDue), "sent"},
                    {"2000000002", std::to_string(kDue + 60), "given up"}}));
    ASSERT_TRUE(table::DeleteFinishedBefore(Organizer(1), kDue, deleted));
    EXPECT_EQ(deleted, 0);

    // A database without the table says so instead of deleting.
    Database().Execute("drop table mail_queue");
    EXPECT_FALSE(table::DeleteFinishedBefore(Organizer(2), kDue, deleted));
    EXPECT_FALSE(Organizer(2).LastError().Empty());
}

CALVENDRA_FOR_EACH_BACKEND(MailQueueTable);

// The waits after each failed try, and the end of a mail's time a day after it fell due.
TEST(MailRetrySchedule, TriesComeAfterOneTwoFiveTenThenEveryThirtyMinutesForADay) {
    const struct {
        int tries;
        std::time_t failedAt;
        std::optional<std::time_t> next;
    } cases[] = {
        {1, kDue + 5, kDue + 5 + 60},
        {2, kDue + 70, kDue + 70 + 120},
        {3, kDue + 200, kDue + 200 + 300},
        {4, kDue + 600, kDue + 600 + 600},
        {5, kDue + 1200, kDue + 1200 + 1800},
        {40, kDue + 7200, kDue + 7200 + 1800},
        // The last try comes when the day ends, and one that fails then is the last.
        {48, kDue + 86400 - 60, kDue + 86400},
        {49, kDue + 86400, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextTry(kDue, c.tries, c.failedAt), c.next) << "try " << c.tries;
    }
    EXPECT_FALSE(MailTimeIsOver(kDue, kDue + 86399));
    EXPECT_TRUE(MailTimeIsOver(kDue, kDue + 86400));
}

}  // namespace
}  // namespace calvendra::testing
