// A database that another program holds locked, and one whose server goes away: no call waits
// for a lock longer than the bound, a busy database holds the connection back for a moment, and
// a lost connection is opened again at the next use.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "store/connection_health.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/organizer_database.h"
#include "store/statements.h"
#include "tests/support/database_test.h"
#include "tests/support/lock_holder.h"
#include "tests/support/postgres_cluster.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::DatabaseTest;
using ::testing::HasSubstr;
using testing::LockHolder;
using TimePoint = std::chrono::steady_clock::time_point;

// A connection to the organizer's data source whose hold-backs run on a clock the test moves.
class HeldBackConnection {
public:
    HeldBackConnection() {
        connection_.SetClock([this] { return now_; });
    }
    CDBConnection& operator*() { return connection_; }
    CDBConnection* operator->() { return &connection_; }
    void Advance(std::chrono::milliseconds span) { now_ += span; }

private:
    TimePoint now_;
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

std::string GroupCount(const testing::TestDatabase& database) {
    return database.QueryValue("select count(*) from assist_group");
}

class BusyDatabaseTest : public DatabaseTest {};

// The other program holds its lock for twenty seconds: a call that waited for it would succeed.
TEST_P(BusyDatabaseTest, CallsFailAsBusyRatherThanWaitForTheLockAndHoldBackAMoment) {
    HeldBackConnection connection;
    ASSERT_TRUE(connection->OpenConnection());
    {
        const LockHolder lock(Database());
        CDBResultSet results(*connection);
        EXPECT_FALSE(results.OpenQuery(statements::SelectContactGroupTree()));
        EXPECT_EQ(results.LastError().kind, FailureKind::kBusy) << results.LastError().Text();
        EXPECT_THAT(results.LastError().Text(), HasSubstr("lock"));
        // The rest of an operation fails at once, with the same reason.
        EXPECT_FALSE(connection->ExecuteStatement(statements::InsertGroup(1000000002, "A", 1)));
        EXPECT_EQ(connection->LastError().Text(), results.LastError().Text());
    }
    // The lock is gone, but the moment is not over: nothing reached the database.
    EXPECT_FALSE(connection->ExecuteStatement(statements::InsertGroup(1000000002, "A", 1)));
    EXPECT_EQ(GroupCount(Database()), "2");
    connection.Advance(ConnectionHealth::kBusyHold);
    EXPECT_TRUE(connection->ExecuteStatement(statements::InsertGroup(1000000002, "A", 1)));
    EXPECT_EQ(GroupCount(Database()), "3");
}

TEST_P(BusyDatabaseTest, StartUpAgainstALockedDatabaseSaysSoWithTheReason) {
    const LockHolder lock(Database());
    CDBConnection connection("Calvendra", "opal", "kelp");
    const DatabaseFault opened = OpenOrganizerDatabase(connection);
    EXPECT_EQ(opened.kind, FailureKind::kBusy);
    const std::string& fault = opened.reason;
    EXPECT_THAT(fault, HasSubstr("(data source \"Calvendra\")\nThe table "));
    EXPECT_THAT(fault, HasSubstr("cannot be read: "));
    EXPECT_THAT(fault, HasSubstr("lock"));
}

CALVENDRA_FOR_EACH_BACKEND(BusyDatabaseTest);

// Only a server can drop a connection from its side.
class LostConnectionTest : public DatabaseTest {};

TEST_P(LostConnectionTest, ATerminatedSessionIsOpenedAgainAtTheNextUse) {
    CDBConnection connection("Calvendra", "opal", "kelp");
    ASSERT_TRUE(connection.OpenConnection());
    Database().Execute(
        "select pg_terminate_backend(pid) from pg_stat_activity where datname = "
        "current_database() and pid <> pg_backend_pid()");
    EXPECT_FALSE(connection.ExecuteStatement(statements::DeleteGroup(1000000009)));
    EXPECT_EQ(connection.LastError().kind, FailureKind::kUnreachable)
        << connection.LastError().Text();
    CDBResultSet results(connection);
    ASSERT_TRUE(results.OpenQuery(statements::SelectGroupsOfKind(1)));
    std::string id;
    ASSERT_TRUE(results.ReadColumn(0, id));
    EXPECT_EQ(id, "1000000001");
    EXPECT_TRUE(connection.ExecuteStatement(statements::InsertGroup(1000000002, "A", 1)));
    EXPECT_EQ(GroupCount(Database()), "3");
}

INSTANTIATE_TEST_SUITE_P(Server, LostConnectionTest, ::testing::Values(Backend::kPostgres),
                         testing::BackendParamName);

// Whether an independent client logs in to the database and is answered within a generous bound.
// The first logins after a server starts again build the caches that it dropped, which on a
// loaded machine can take longer than the organizer's login timeout.
bool AnswersALogin(const testing::TestDatabase& database) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            if (database.QueryValue("select 1") == "1") {
                return true;
            }
        } catch (const std::runtime_error&) {
            // Not yet: the server is still starting.
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

// The server of the test's own is stopped and started again while the connection lives.
TEST(RestartedServer, WhileItIsDownReopeningBacksOffAndOnceItIsBackTheConnectionWorks) {
    if (!testing::PostgresAvailable()) {
        GTEST_SKIP() << "no PostgreSQL for this test run: CALVENDRA_TEST_PG_PORT is not set";
    }
    testing::PostgresCluster cluster;
    testing::TestDatabase database(Backend::kPostgres);
    HeldBackConnection connection;
    ASSERT_TRUE(connection->OpenConnection());
    CDBResultSet results(*connection);

    cluster.Pause();
    EXPECT_FALSE(results.OpenQuery(statements::SelectGroupsOfKind(2)));
    EXPECT_EQ(results.LastError().kind, FailureKind::kUnreachable) << results.LastError().Text();
    // The next use tries to open again, and fails: the server is down.
    EXPECT_FALSE(results.OpenQuery(statements::SelectGroupsOfKind(2)));
    EXPECT_FALSE(connection->IsConnected());

    cluster.Resume();
    ASSERT_TRUE(AnswersALogin(database));
    // Within the back-off nothing is tried, although the server is back.
    EXPECT_FALSE(results.OpenQuery(statements::SelectGroupsOfKind(2)));
    connection.Advance(ConnectionHealth::kFirstBackOff);
    EXPECT_TRUE(results.OpenQuery(statements::SelectGroupsOfKind(2))) << results.LastError().Text();
    EXPECT_TRUE(connection->IsConnected());
}

}  // namespace
}  // namespace calvendra
