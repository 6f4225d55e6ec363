// What the store says when it fails: the ODBC diagnostic kept with the connection and the result
// set, and start-up's account of a database that cannot serve the organizer.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/organizer_database.h"
#include "store/statements.h"
#include "tests/support/database_test.h"
#include "tests/support/odbc_sandbox.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::DatabaseTest;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

CDBConnection OrganizerConnection() {
    return CDBConnection("Calvendra", "opal", "kelp");
}

class FailureReasonTest : public DatabaseTest {};

TEST(OdbcDiagnosticText, NamesTheStateAndNativeCodeWhenTheDriverGaveThem) {
    EXPECT_EQ((OdbcDiagnostic{"42S02", 1, "no such table: x"}).Text(),
              "no such table: x (SQLSTATE 42S02, native error 1)");
    EXPECT_EQ((OdbcDiagnostic{"", 0, "not connected to the database"}).Text(),
              "not connected to the database");
    EXPECT_TRUE(OdbcDiagnostic{}.Empty());
    EXPECT_EQ(OdbcDiagnostic{}.Text(), "");
}

TEST(OdbcDiagnosticText, AnUnknownDataSourceIsTheDriverManagersOwnReason) {
    CDBConnection connection("NoSuchSource", "opal", "kelp");
    EXPECT_FALSE(connection.OpenConnection());
    EXPECT_EQ(connection.LastError().sqlState, "IM002");
    EXPECT_THAT(connection.LastError().message, HasSubstr("Data source name not found"));
}

TEST_P(FailureReasonTest, EachFailedCallKeepsItsReasonUntilTheNextCall) {
    CDBConnection connection = OrganizerConnection();
    CDBResultSet results(connection);
    // Nothing reaches the driver without a connection; the store says so itself.
    EXPECT_FALSE(connection.ExecuteStatement(statements::DeleteGroup(1000000002)));
    EXPECT_EQ(connection.LastError().Text(), "not connected to the database");
    EXPECT_FALSE(results.OpenQuery(statements::SelectContactGroupTree()));
    EXPECT_EQ(results.LastError().Text(), "not connected to the database");

    ASSERT_TRUE(connection.OpenConnection());
    EXPECT_TRUE(connection.LastError().Empty());
    EXPECT_FALSE(connection.ExecuteStatement("insert into nowhere values ('1')"));
    EXPECT_THAT(connection.LastError().sqlState, MatchesRegex("[0-9A-Z]{5}"));
    EXPECT_THAT(connection.LastError().message, HasSubstr("nowhere"));
    EXPECT_TRUE(connection.ExecuteStatement(statements::DeleteGroup(1000000002)));
    EXPECT_TRUE(connection.LastError().Empty());

    EXPECT_FALSE(results.OpenQuery("select group_id from nowhere"));
    EXPECT_THAT(results.LastError().Text(), HasSubstr("nowhere"));
    // No rows is no failure: the two falses are told apart by the reason.
    EXPECT_FALSE(results.OpenQuery(statements::SelectAllContacts()));
    EXPECT_TRUE(results.LastError().Empty());
    EXPECT_TRUE(results.OpenQuery(statements::SelectContactGroupTree()));
    EXPECT_TRUE(results.LastError().Empty());
}

TEST_P(FailureReasonTest, AHealthyDatabaseOpensWithoutAWord) {
    CDBConnection connection = OrganizerConnection();
    EXPECT_EQ(OpenOrganizerDatabase(connection).reason, "");
    EXPECT_TRUE(connection.IsConnected());
}

// The table stays missing but what the others hold keeps working, so the connection stays.
TEST_P(FailureReasonTest, AMissingTableIsNamedWithTheDatabaseAndTheDriversReason) {
    Database().Execute("drop table schedule_contact");
    CDBConnection connection = OrganizerConnection();
    const DatabaseFault opened = OpenOrganizerDatabase(connection);
    const std::string& fault = opened.reason;
    EXPECT_NE(opened.kind, FailureKind::kBusy) << "a missing table does not come back by itself";
    EXPECT_TRUE(connection.IsConnected());
    // The file for SQLite; PostgreSQL's test databases are named calvendra_<process>_<n>.
    const std::string database =
        GetParam() == Backend::kSqlite ? Database().FilePath() : RegisteredDatabase("Calvendra");
    EXPECT_THAT(database, MatchesRegex("(/.*\\.db|calvendra_[0-9]+_[0-9]+)"));
    EXPECT_THAT(fault, HasSubstr("Database: " + database + " (data source \"Calvendra\")\n"));
    EXPECT_THAT(fault, HasSubstr("\nThe table schedule_contact cannot be read: "));
    EXPECT_THAT(fault, HasSubstr("SQLSTATE"));
}

TEST_P(FailureReasonTest, AMissingDatabaseIsReportedWithThePathTheDataSourceNames) {
    Database().Remove();
    CDBConnection connection = OrganizerConnection();
    const DatabaseFault opened = OpenOrganizerDatabase(connection);
    const std::string& fault = opened.reason;
    EXPECT_NE(opened.kind, FailureKind::kBusy);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_THAT(fault, HasSubstr("(data source \"Calvendra\")\n"));
    EXPECT_GT(fault.size(), fault.find('\n') + 1) << "the driver's reason is missing: " << fault;
}

CALVENDRA_FOR_EACH_BACKEND(FailureReasonTest);

TEST(SqliteFileReason, AFileThatIsNoDatabaseIsReportedAsSuch) {
    testing::TestDatabase database(Backend::kSqlite);
    testing::WriteFileText(database.FilePath(), std::string(8192, '\x5a'));
    CDBConnection connection = OrganizerConnection();
    const DatabaseFault opened = OpenOrganizerDatabase(connection);
    const std::string& fault = opened.reason;
    EXPECT_NE(opened.kind, FailureKind::kBusy);
    EXPECT_THAT(fault, HasSubstr("Database: " + database.FilePath()));
    EXPECT_THAT(fault, HasSubstr("not a database"));
}

TEST(RegisteredDatabaseOf, ADataSourceThatIsNotRegisteredNamesNone) {
    testing::TestDatabase database(Backend::kSqlite);
    EXPECT_EQ(RegisteredDatabase("Calvendra"), database.FilePath());
    EXPECT_EQ(RegisteredDatabase("NoSuchSource"), "");
    CDBConnection connection("NoSuchSource", "opal", "kelp");
    EXPECT_THAT(OpenOrganizerDatabase(connection).reason,
                HasSubstr("Database: none registered for the data source \"NoSuchSource\"\n"));
}

}  // namespace
}  // namespace calvendra
