// A PostgreSQL server that is stopped across a due minute and started again: the mail that fell
// due while it was away is queued and sent once it is back, once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/mail/smtp_sink_server.h"
#include "tests/mail_queue/queue_test_support.h"
#include "tests/support/captured_log.h"
#include "tests/support/postgres_cluster.h"

namespace calvendra::testing {
namespace {

TEST(MailQueueDatabaseRestart, AMailThatFellDueWhileTheServerWasDownIsSentOnceItIsBack) {
    if (!PostgresAvailable()) {
        GTEST_SKIP() << "no PostgreSQL for this test run: CALVENDRA_TEST_PG_PORT is not set";
    }
    PostgresCluster server;
    TestDatabase database(Backend::kPostgres);
    test::SmtpSinkServer sink;
    std::string why;
    ASSERT_TRUE(sink.Start(why)) << why;
    constexpr Identifier kSchedule = 2000000002;
    AddScheduleWithAttendants(database, kSchedule, "Standup", {"ann@example.org"});
    FakeClock clock(MinuteStart(std::time(nullptr)));
    TestMailSettings settings(sink.Port());
    const CapturedLog log;
    TestOrganizer organizer("only", clock, settings);
    // The organizer has used the database before the server goes.
    organizer.Due(kSchedule, clock() - 60, "Earlier");
    ASSERT_TRUE(WaitFor([&] { return sink.Messages().size() == 1; }));

    server.Pause();
    organizer.Due(kSchedule, clock(), "Standup");
    ASSERT_TRUE(WaitFor([&] {
        return log.Text().find("could not be queued") != std::string::npos;
    })) << log.Text();
    EXPECT_EQ(sink.Messages().size(), 1u);

    server.Resume();
    ASSERT_TRUE(WaitFor(
        [&] {
            organizer.Wake();
            return QueuedRow(database, kSchedule, clock()).rfind("sent/1/", 0) == 0;
        },
        std::chrono::seconds(120)))
        << QueuedRow(database, kSchedule, clock());
    organizer.Stop();
    ASSERT_EQ(sink.Messages().size(), 2u);
    EXPECT_EQ(ParsedSubjectAndTo(sink.Messages()[1]), "Standup|ann@example.org");
}

}  // namespace
}  // namespace calvendra::testing
