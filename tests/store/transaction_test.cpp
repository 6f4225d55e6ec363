// Changes of several statements, stored whole or not at all on both databases, with the result
// sets open on the connection left as they were, and key conflicts told from other failures.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/new_identifier.h"
#include "store/statements.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::Rows;
using Strings = std::vector<std::string>;

class TransactionTest : public testing::ConnectedDatabaseTest {
protected:
    Strings Groups() {
        return Database().QueryColumn("select group_id from assist_group order by group_id");
    }
};

TEST_P(TransactionTest, AChangeIsKeptWholeOrNotAtAll) {
    EXPECT_TRUE(
        RunAsOneChange(connection_, {statements::InsertGroup(1000000002, "Family", 1000000001),
                                     statements::InsertGroup(1000000003, "Work", 1000000001)})
            .Empty());
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000002", "1000000003", "2000000001"}));

    // The third statement meets a stored key: the two before it are taken back.
    const OdbcDiagnostic failure =
        RunAsOneChange(connection_, {statements::InsertGroup(1000000004, "Club", 1000000001),
                                     statements::DeleteGroup(1000000002),
                                     statements::InsertGroup(1000000003, "Again", 1000000001),
                                     statements::DeleteGroup(1000000003)});
    EXPECT_TRUE(IsKeyConflict(failure)) << failure.Text();
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000002", "1000000003", "2000000001"}));

    // Back in automatic commit: a lone statement is stored at once.
    ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteGroup(1000000003)));
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000002", "2000000001"}));
}

TEST_P(TransactionTest, ATransactionThatEndsWithoutCommitTakesItsStatementsBack) {
    {
        CDBTransaction transaction(connection_);
        ASSERT_TRUE(transaction.IsOpen()) << transaction.LastError().Text();
        ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteGroup(2000000001)));
    }
    EXPECT_EQ(Groups(), (Strings{"1000000001", "2000000001"}));

    CDBTransaction transaction(connection_);
    ASSERT_TRUE(connection_.ExecuteStatement(statements::InsertGroup(2000000002, "W", 2000000001)));
    EXPECT_TRUE(transaction.Commit());
    EXPECT_FALSE(transaction.Commit());
    EXPECT_EQ(Groups(), (Strings{"1000000001", "2000000001", "2000000002"}));

    // A statement that failed keeps the rest of its change from being kept.
    CDBTransaction failing(connection_);
    ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteGroup(2000000002)));
    EXPECT_FALSE(connection_.ExecuteStatement("insert into no_such_table values('1')"));
    EXPECT_FALSE(failing.Commit());
    EXPECT_NE(failing.LastError().message.find("nothing of it was kept"), std::string::npos);
    EXPECT_EQ(Groups(), (Strings{"1000000001", "2000000001", "2000000002"}));
}

// The reminder scan may open its query inside an editor's loop, and the view keeps the result set
// it read the edited item from: a change committed or taken back meanwhile leaves them readable.
TEST_P(TransactionTest, OpenResultSetsKeepTheirRowsThroughCommitAndRollback) {
    ASSERT_TRUE(RunAsOneChange(connection_, {statements::InsertGroup(1000000002, "A", 1000000001),
                                             statements::InsertGroup(1000000003, "B", 1000000001),
                                             statements::InsertGroup(1000000004, "C", 1000000001)})
                    .Empty());
    CDBResultSet held(connection_);
    ASSERT_TRUE(held.OpenQuery(statements::SelectGroupsOfKind(1)));
    Strings read;
    std::string id;
    held.ReadColumn(0, id);
    read.push_back(id);

    EXPECT_TRUE(RunAsOneChange(connection_, {statements::InsertGroup(2000000002, "W", 2000000001)})
                    .Empty());
    ASSERT_TRUE(held.MoveToNext()) << held.LastError().Text();
    held.ReadColumn(0, id);
    read.push_back(id);

    {
        CDBTransaction transaction(connection_);
        ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteGroup(2000000002)));
        // A query opened in the middle of a change, as the scan's would be.
        CDBResultSet scan(connection_);
        ASSERT_TRUE(scan.OpenQuery(statements::SelectGroupsOfKind(2)));
        std::string first;
        scan.ReadColumn(0, first);
        EXPECT_EQ(first, "2000000001");
        EXPECT_FALSE(scan.MoveToNext());
        EXPECT_TRUE(scan.LastError().Empty()) << scan.LastError().Text();
    }
    while (held.MoveToNext()) {
        held.ReadColumn(0, id);
        read.push_back(id);
    }
    EXPECT_TRUE(held.LastError().Empty()) << held.LastError().Text();
    EXPECT_EQ(read, (Strings{"1000000001", "1000000002", "1000000003", "1000000004"}));
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000002", "1000000003", "1000000004",
                                 "2000000001", "2000000002"}));
}

TEST_P(TransactionTest, AKeyConflictIsToldFromOtherFailures) {
    ASSERT_FALSE(connection_.ExecuteStatement(statements::InsertGroup(1000000001, "Twin", 0)));
    EXPECT_TRUE(IsKeyConflict(connection_.LastError())) << connection_.LastError().Text();

    for (const char* other : {"insert into no_such_table values('1')", "insert into assist_group",
                              "delete from assist_group where no_such_column='1'"}) {
        EXPECT_FALSE(connection_.ExecuteStatement(other)) << other;
        EXPECT_FALSE(IsKeyConflict(connection_.LastError())) << connection_.LastError().Text();
    }
}

// A connection lost in the middle of a change is not opened again for the rest of it: what would
// run on the new connection would be stored without the statements before it.
TEST_P(TransactionTest, AConnectionLostInAChangeIsNotOpenedAgainBeforeTheChangeEnds) {
    if (GetParam() != Backend::kPostgres) {
        GTEST_SKIP() << "only a server's session can be ended from outside";
    }
    {
        CDBTransaction transaction(connection_);
        ASSERT_TRUE(
            connection_.ExecuteStatement(statements::InsertGroup(1000000002, "A", 1000000001)));
        // Ended from outside, and waited for until it is gone.
        Database().Execute(
            "select pg_terminate_backend(pid, 5000) from pg_stat_activity "
            "where datname = current_database() and pid <> pg_backend_pid()");
        EXPECT_FALSE(
            connection_.ExecuteStatement(statements::InsertGroup(1000000003, "B", 1000000001)));
        EXPECT_FALSE(
            connection_.ExecuteStatement(statements::InsertGroup(1000000004, "C", 1000000001)));
        EXPECT_NE(connection_.LastError().message.find("lost in the middle of a change"),
                  std::string::npos)
            << connection_.LastError().Text();
        EXPECT_FALSE(transaction.Commit());
    }
    EXPECT_EQ(Groups(), (Strings{"1000000001", "2000000001"}));
    // After the change, the next use opens the connection again.
    EXPECT_TRUE(connection_.ExecuteStatement(statements::InsertGroup(1000000005, "E", 1000000001)))
        << connection_.LastError().Text();
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000005", "2000000001"}));
}

CALVENDRA_FOR_EACH_BACKEND(TransactionTest);

}  // namespace
}  // namespace calvendra
