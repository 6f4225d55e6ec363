#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_exception.h"
#include "store/db_result_set.h"
#include "store/identifiers.h"
#include "store/statements.h"
#include "tests/support/database_test.h"
#include "tests/support/odbc_sandbox.h"
#include "tests/support/open_descriptors.h"

namespace calvendra {
namespace {

using testing::Backend;
using testing::DatabaseTest;
using testing::OpenDescriptorsOn;
using testing::Rows;

CDBConnection OrganizerConnection() {
    return CDBConnection("Calvendra", "opal", "kelp");
}

// Every row of a query, read through the code under test.
Rows ReadAll(CDBConnection& connection, const std::string& query) {
    Rows rows;
    CDBResultSet results(connection);
    if (!results.OpenQuery(query)) {
        return rows;
    }
    do {
        std::vector<std::string> row;
        std::string value;
        for (int column = 0;; ++column) {
            try {
                results.ReadColumn(column, value);
            } catch (const CDBException&) {
                break;
            }
            row.push_back(value);
        }
        rows.push_back(row);
    } while (results.MoveToNext());
    return rows;
}

class ConnectionTest : public DatabaseTest {
protected:
    // A session count that the driver cannot fake: PostgreSQL's own view of its connections.
    int ServerSessions() {
        return std::stoi(Database().QueryValue(
            "select count(*) from pg_stat_activity where datname = current_database() and "
            "pid <> pg_backend_pid()"));
    }
};

TEST(ConnectionString, CarriesTheThreeValuesWithThePasswordUnderPsw) {
    const CDBConnection connection("Calvendra", "opal", "kelp");
    EXPECT_EQ(connection.ConnectionString(), "DSN=Calvendra;UID=opal;PSW=kelp;");
    EXPECT_FALSE(connection.IsConnected());
}

TEST_P(ConnectionTest, OpensTheRegisteredDataSource) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    EXPECT_TRUE(connection.IsConnected());
    const Rows groups = ReadAll(connection, statements::SelectContactGroupTree());
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0][0], "1000000001");
    EXPECT_EQ(groups[0][1], "0");
}

TEST_P(ConnectionTest, OpeningAgainClosesTheFirstConnection) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet heldOver(connection);
    ASSERT_TRUE(heldOver.OpenQuery(statements::SelectScheduleGroupTree()));
    // What one connection holds: a server session, or the driver's descriptors on the file.
    const int held = GetParam() == Backend::kPostgres ? ServerSessions()
                                                      : OpenDescriptorsOn(Database().FilePath());
    ASSERT_GT(held, 0);

    ASSERT_TRUE(connection.OpenConnection());
    if (GetParam() == Backend::kPostgres) {
        EXPECT_EQ(ServerSessions(), held);
    } else {
        EXPECT_EQ(OpenDescriptorsOn(Database().FilePath()), held);
    }
    // The query opened on the closed connection is gone with it and is not touched again.
    std::string value = "stale";
    EXPECT_FALSE(heldOver.ReadColumn(0, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(heldOver.MoveToNext());
    EXPECT_TRUE(heldOver.OpenQuery(statements::SelectScheduleGroupTree()));
}

TEST_P(ConnectionTest, StatementsOnANeverOpenedConnectionFailWithoutReachingTheDatabase) {
    CDBConnection never = OrganizerConnection();
    EXPECT_FALSE(never.ExecuteStatement(statements::InsertGroup(1000000002, "Lost", 1000000001)));
    EXPECT_EQ(never.ConnectionHandle(), nullptr);
    CDBResultSet results(never);
    EXPECT_FALSE(results.OpenQuery(statements::SelectContactGroupTree()));
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_group"), "2");
}

TEST_P(ConnectionTest, EmptyResultGivesFalseAndNothingToRead) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet results(connection);
    EXPECT_FALSE(results.OpenQuery(statements::SelectAllContacts()));
    std::string value = "left over";
    EXPECT_FALSE(results.ReadColumn(0, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(results.MoveToNext());
}

TEST_P(ConnectionTest, ReadingWithoutAnOpenQueryGivesFalseAndEmptyText) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet results(connection);
    std::string value = "left over";
    EXPECT_FALSE(results.ReadColumn(0, value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(results.MoveToNext());
}

TEST_P(ConnectionTest, RowsEndWhenMoveToNextSaysSo) {
    Database().Execute(
        "insert into assist_group values ('1000000002','Family','1000000001');"
        "insert into assist_group values ('1000000003','Work','1000000001');");
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet results(connection);
    ASSERT_TRUE(results.OpenQuery(statements::SelectGroupsOfKind(1)));
    std::string id;
    std::string name;
    ASSERT_TRUE(results.ReadColumn(1, name));  // any order, and twice
    ASSERT_TRUE(results.ReadColumn(0, id));
    ASSERT_TRUE(results.ReadColumn(1, name));
    EXPECT_EQ(id, "1000000001");
    EXPECT_EQ(name, "All Contacts");
    ASSERT_TRUE(results.MoveToNext());
    ASSERT_TRUE(results.MoveToNext());
    ASSERT_TRUE(results.ReadColumn(1, name));
    EXPECT_EQ(name, "Work");
    EXPECT_FALSE(results.MoveToNext());
    EXPECT_FALSE(results.ReadColumn(0, id));
    EXPECT_FALSE(results.MoveToNext());
}

TEST_P(ConnectionTest, NullReadsAsEmptyText) {
    Database().Execute(
        "insert into assist_scheduleinfo (schedule_id, group_id) values "
        "('2000000002', '2000000001')");
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    const Rows rows = ReadAll(connection, statements::SelectSchedulesForScan());
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 10u);
    EXPECT_EQ(rows[0][0], "2000000002");
    for (std::size_t column = 2; column < rows[0].size(); ++column) {
        EXPECT_EQ(rows[0][column], "") << "column " << column;
    }
}

TEST_P(ConnectionTest, AColumnOutsideTheSelectListIsACallersFault) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet results(connection);
    ASSERT_TRUE(results.OpenQuery(statements::SelectGroupsOfKind(2)));
    std::string value;
    EXPECT_THROW(results.ReadColumn(2, value), CDBException);
    EXPECT_THROW(results.ReadColumn(-1, value), CDBException);
    EXPECT_TRUE(results.ReadColumn(1, value));
    EXPECT_EQ(value, "All Schedules");
}

TEST_P(ConnectionTest, ANameWithQuotesIsStoredOnceAndReadBackOnce) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    const std::string name = "Tom's ''club'";
    ASSERT_TRUE(connection.ExecuteStatement(statements::InsertGroup(1000000002, name, 1000000001)));
    EXPECT_EQ(Database().QueryValue("select group_name from assist_group where group_id = "
                                    "'1000000002'"),
              name);
    const Rows rows = ReadAll(connection, statements::SelectContactGroupTree());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][2], name);
}

TEST_P(ConnectionTest, TextOfAnyLengthAndScriptComesBackByteForByte) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    statements::ScheduleFields fields;
    fields.subject = "Zoë's Straße — 東京 ✓";
    for (int i = 0; i < 700; ++i) {
        fields.text += "line " + std::to_string(i) + " ünïcödé\n";
    }
    ASSERT_TRUE(
        connection.ExecuteStatement(statements::InsertSchedule(2000000002, 2000000001, fields)));
    const Rows rows = ReadAll(connection, statements::SelectSchedule(2000000002));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][2], fields.subject);
    EXPECT_EQ(rows[0][3], fields.text);
}

TEST_P(ConnectionTest, AnOpenReaderKeepsItsRowsWhileOthersReadAndWrite) {
    Database().Execute(
        "insert into assist_contactmaininfo (contact_id, group_id, first_name) values "
        "('1000000002','1000000001','Ann'), ('1000000003','1000000001','Bob'), "
        "('1000000004','1000000001','Cy')");
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());

    CDBResultSet outer(connection);
    ASSERT_TRUE(outer.OpenQuery(statements::SelectAllContacts()));
    std::vector<std::string> names;
    std::string value;
    ASSERT_TRUE(outer.ReadColumn(1, value));
    names.push_back(value);

    // Meanwhile: a second reader runs to its end, and statements change the tables being read.
    const Rows groups = ReadAll(connection, statements::SelectScheduleGroupTree());
    EXPECT_EQ(groups.size(), 1u);
    CDBResultSet inner(connection);
    ASSERT_TRUE(inner.OpenQuery(statements::SelectContact(1000000003)));
    statements::ContactFields fields;
    fields[0] = "Dee";
    EXPECT_TRUE(
        connection.ExecuteStatement(statements::InsertContact(1000000005, 1000000001, fields)));
    EXPECT_TRUE(connection.ExecuteStatement(statements::DeleteContact(1000000004)));
    ASSERT_TRUE(inner.ReadColumn(0, value));
    EXPECT_EQ(value, "Bob");

    while (outer.MoveToNext()) {
        ASSERT_TRUE(outer.ReadColumn(1, value));
        names.push_back(value);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Bob", "Cy"}));
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "3");
}

TEST_P(ConnectionTest, AStatementThatChangesNoRowStillSucceeds) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    EXPECT_TRUE(connection.ExecuteStatement(statements::DeleteSchedule(2000000099)));
    EXPECT_TRUE(connection.ExecuteStatement(statements::MoveContactsOfGroupToBase(1000000099)));
}

TEST_P(ConnectionTest, ARefusedStatementGivesFalseAndChangesNothing) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    // The base group exists already: its id is a key.
    EXPECT_FALSE(connection.ExecuteStatement(
        statements::InsertGroup(kContactBaseGroupId, "Twice", kRootParentId)));
    EXPECT_FALSE(connection.ExecuteStatement("this is not SQL"));
    CDBResultSet results(connection);
    EXPECT_FALSE(results.OpenQuery("select nothing from nowhere"));
    EXPECT_EQ(Database().QueryValue("select group_name from assist_group where group_id = "
                                    "'1000000001'"),
              "All Contacts");
    // The connection is still usable afterwards.
    EXPECT_EQ(ReadAll(connection, statements::SelectGroupsOfKind(1)).size(), 1u);
}

TEST_P(ConnectionTest, EveryCatalogueStatementRunsAgainstTheInstalledSchema) {
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    namespace s = statements;
    statements::ContactFields contact;
    contact[0] = "Ann";
    contact[3] = "ann@example.org";
    statements::ScheduleFields schedule;
    schedule.subject = "Standup";
    schedule.remind = 1;
    schedule.remindType = 3;
    schedule.remindTime = "09:30:00";
    schedule.emailRemind = 1;

    for (const std::string& write : {
             s::InsertGroup(1000000002, "Friends", 1000000001),
             s::InsertGroup(2000000002, "Meetings", 2000000001),
             s::InsertContact(1000000003, 1000000002, contact),
             s::UpdateContact(1000000003, 1000000002, contact),
             s::MoveContactToGroup(1000000002, 1000000003),
             s::InsertSchedule(2000000003, 2000000002, schedule),
             s::UpdateSchedule(2000000003, 2000000002, schedule),
             s::MoveScheduleToGroup(2000000002, 2000000003),
             s::DeleteAttendantLinks(2000000003),
             s::InsertAttendantLink(2000000003, 1000000003),
         }) {
        EXPECT_TRUE(connection.ExecuteStatement(write)) << write;
    }
    for (const std::string& read : {
             s::SelectContactGroupTree(),
             s::SelectScheduleGroupTree(),
             s::SelectGroupsOfKind(1),
             s::SelectGroupsOfKind(2),
             s::SelectAllContacts(),
             s::SelectContactsOfGroup(1000000002),
             s::SelectContact(1000000003),
             s::SelectContactsForAttendants(),
             s::SelectContactsForPicker(),
             s::SelectAttendantEmails(2000000003),
             s::SelectAllSchedules(),
             s::SelectSchedulesOfGroup(2000000002),
             s::SelectSchedule(2000000003),
             s::SelectSchedulesForScan(),
             s::SelectSchedulesForPicker(),
             s::SelectAttendantLink(2000000003, 1000000003),
             s::SelectLinkedContacts(2000000003),
         }) {
        CDBResultSet results(connection);
        EXPECT_TRUE(results.OpenQuery(read)) << read;
    }
    EXPECT_EQ(ReadAll(connection, s::SelectAttendantEmails(2000000003)),
              (Rows{{"ann@example.org", "1000000003", "Ann", ""}}));
    EXPECT_EQ(ReadAll(connection, s::SelectContactsOfGroup(1000000002)),
              (Rows{{"1000000003", "Ann", "", "", "ann@example.org"}}));

    for (const std::string& write : {
             s::MoveContactToBase(1000000003),
             s::MoveContactsOfGroupToBase(1000000002),
             s::MoveSchedulesOfGroupToBase(2000000002),
             s::DeleteGroup(1000000002),
             s::DeleteGroup(2000000002),
             s::DeleteAttendantLinks(2000000003),
             s::DeleteSchedule(2000000003),
             s::DeleteContact(1000000003),
         }) {
        EXPECT_TRUE(connection.ExecuteStatement(write)) << write;
    }
    EXPECT_EQ(Database().Query("select group_id from assist_group order by group_id"),
              (Rows{{"1000000001"}, {"2000000001"}}));
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "0");
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_scheduleinfo"), "0");
    EXPECT_EQ(Database().QueryValue("select count(*) from schedule_contact"), "0");
}

TEST_P(ConnectionTest, AMissingDatabaseFailsAndIsNotCreatedEmpty) {
    Database().Remove();
    CDBConnection connection = OrganizerConnection();
    EXPECT_FALSE(connection.OpenConnection());
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(connection.ExecuteStatement(statements::DeleteGroup(1000000002)));
    if (GetParam() == Backend::kSqlite) {
        EXPECT_FALSE(std::filesystem::exists(Database().FilePath()));
    }
}

TEST_P(ConnectionTest, AMissingTableFailsItsStatementsAndLeavesTheRestAlone) {
    Database().Execute(
        "insert into assist_contactmaininfo (contact_id, group_id, first_name) values "
        "('1000000002','1000000001','Ann');"
        "drop table assist_scheduleinfo;");
    CDBConnection connection = OrganizerConnection();
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet results(connection);
    EXPECT_FALSE(results.OpenQuery(statements::SelectSchedulesForScan()));
    EXPECT_FALSE(connection.ExecuteStatement(
        statements::InsertSchedule(2000000002, 2000000001, statements::ScheduleFields())));
    EXPECT_EQ(ReadAll(connection, statements::SelectAllContacts()).size(), 1u);
    EXPECT_EQ(Database().QueryValue("select first_name from assist_contactmaininfo"), "Ann");
}

CALVENDRA_FOR_EACH_BACKEND(ConnectionTest);

TEST(SqliteFile, AFileThatIsNoDatabaseFailsEveryCallAndStaysAsItWas) {
    testing::TestDatabase database(Backend::kSqlite);
    const std::string garbage(8192, '\x5a');
    testing::WriteFileText(database.FilePath(), garbage);
    CDBConnection connection = OrganizerConnection();
    if (connection.OpenConnection()) {
        CDBResultSet results(connection);
        EXPECT_FALSE(results.OpenQuery(statements::SelectContactGroupTree()));
        EXPECT_FALSE(connection.ExecuteStatement(statements::DeleteGroup(1000000002)));
    }
    EXPECT_EQ(testing::ReadFileText(database.FilePath()), garbage);
}

}  // namespace
}  // namespace calvendra
