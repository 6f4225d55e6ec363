// What lets the window follow the database, on the connection: a mark that stays while nobody
// commits and moves with every commit, whoever makes it; and a SQLite file replaced, moved away,
// removed and restored under an open connection, as a restore from a backup does it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/change_mark.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "tests/support/captured_log.h"
#include "tests/support/connected_database_test.h"
#include "tests/support/open_descriptors.h"

namespace calvendra::testing {
namespace {

using ::testing::HasSubstr;
using Strings = std::vector<std::string>;

constexpr char kGroupNames[] = "select group_name from assist_group order by group_id";

// The first column of every row, read through the connection under test; `failure` says why
// there are none.
Strings ReadColumn(CDBConnection& connection, const std::string& query,
                   OdbcDiagnostic* failure = nullptr) {
    Strings values;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, query)) {
        values.push_back(row.Text(0));
    }
    if (failure != nullptr) {
        *failure = results.LastError();
    }
    return values;
}

class FollowsTheDatabaseStoreTest : public ConnectedDatabaseTest {
protected:
    ChangeMark Mark() {
        OdbcDiagnostic failure;
        const ChangeMark mark = ReadChangeMark(connection_, failure);
        EXPECT_TRUE(failure.Empty()) << failure.Text();
        EXPECT_FALSE(mark.value.empty());
        return mark;
    }
};

// The server's snapshot that PostgreSQL's mark reads moves with every transaction that writes
// anywhere on the server (other tests' databases, the server's own vacuuming): there the mark may
// move with nothing committed here, so only that it moves is checked.
TEST_P(FollowsTheDatabaseStoreTest, TheMarkMovesWithEveryCommitWhoeverMakesIt) {
    const bool staysChecked = GetParam() == Backend::kSqlite;
    CDBConnection other("Calvendra", "opal", "kelp");
    ASSERT_TRUE(other.OpenConnection()) << other.LastError().Text();
    Database().Execute(
        "insert into assist_scheduleinfo values"
        " ('2000000011','2000000001','Standup','',1,2,'1','','09:30:00',0);");

    // Reading, here and elsewhere, commits nothing.
    const ChangeMark first = Mark();
    EXPECT_EQ(ReadColumn(connection_, kGroupNames), (Strings{"All Contacts", "All Schedules"}));
    EXPECT_EQ(ReadColumn(other, kGroupNames).size(), 2u);
    Database().Query(kGroupNames);
    if (staysChecked) {
        EXPECT_TRUE(Mark().SameAs(first));
    }

    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"another program adds a group",
         [&] {
             Database().ExecuteInClient(
                 "insert into assist_group values('1000000002','Family','1000000001');");
         }},
        {"another program renames it",
         [&] {
             Database().ExecuteInClient(
                 "update assist_group set group_name='Kin' where group_id='1000000002';");
         }},
        {"another organizer files a contact",
         [&] {
             ASSERT_TRUE(other.ExecuteStatement(
                 "insert into assist_contactmaininfo(contact_id,group_id,first_name) "
                 "values('1000000011','1000000002','Anna')"));
         }},
        {"another organizer links her to a schedule",
         [&] {
             ASSERT_TRUE(other.ExecuteStatement(
                 "insert into schedule_contact values('2000000011','1000000011')"));
         }},
        {"another organizer deletes the schedule",
         [&] {
             ASSERT_TRUE(other.ExecuteStatement(
                 "delete from assist_scheduleinfo where schedule_id='2000000011'"));
         }},
        {"a change that was under way when the mark was read is committed",
         [&] {
             CDBTransaction change(other);
             ASSERT_TRUE(change.IsOpen()) << change.LastError().Text();
             ASSERT_TRUE(other.ExecuteStatement(
                 "insert into assist_group values('2000000002','Work','2000000001')"));
             const ChangeMark during = Mark();
             ASSERT_TRUE(change.Commit()) << change.LastError().Text();
             EXPECT_FALSE(Mark().SameAs(during));
         }},
    };
    ChangeMark before = Mark();
    for (const Change& change : changes) {
        change.make();
        const ChangeMark after = Mark();
        EXPECT_FALSE(after.SameAs(before)) << change.what;
        if (staysChecked) {
            EXPECT_TRUE(Mark().SameAs(after)) << change.what;
        }
        before = after;
    }

    // A new session's mark says nothing about the old one's.
    ASSERT_TRUE(connection_.OpenConnection());
    EXPECT_FALSE(Mark().SameAs(before));
}

TEST_P(FollowsTheDatabaseStoreTest, OnlyADatabaseInAFileIsFollowedByItsFile) {
    if (GetParam() == Backend::kSqlite) {
        EXPECT_EQ(connection_.DatabaseFilePath(),
                  std::filesystem::weakly_canonical(Database().FilePath()).string());
    } else {
        EXPECT_EQ(connection_.DatabaseFilePath(), "");
        // Nothing to look at: the connection stays as it is.
        connection_.FollowDatabaseFile();
        EXPECT_TRUE(connection_.IsConnected());
        EXPECT_EQ(connection_.OpenCount(), 1u);
    }
    EXPECT_EQ(connection_.FileReopenCount(), 0u);
}

CALVENDRA_FOR_EACH_BACKEND(FollowsTheDatabaseStoreTest);

// The organizer's connection open on a SQLite file that the test replaces, moves and removes as
// another program or the user would.
class FollowsTheDatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection_.OpenConnection()) << connection_.LastError().Text();
        ASSERT_EQ(Names(), (Strings{"All Contacts", "All Schedules"}));
    }

    Strings Names(OdbcDiagnostic* failure = nullptr) {
        return ReadColumn(connection_, kGroupNames, failure);
    }

    // A copy of the database with one more group, as a backup that holds other rows; written by
    // the sqlite3 program.
    std::string CopyWithGroup(const std::string& suffix, const std::string& name) {
        const std::string copy = path_ + suffix;
        std::filesystem::copy_file(path_, copy);
        const std::string command = "sqlite3 -bail '" + copy +
                                    "' \"insert into assist_group values('1000000009','" + name +
                                    "','1000000001')\"";
        EXPECT_EQ(RunCommand(command), 0) << command;
        return copy;
    }

    std::string StoredName(const std::string& file) {
        std::string name;
        RunCommand("sqlite3 '" + file +
                       "' \"select group_name from assist_group where group_id='1000000009'\"",
                   &name);
        return name;
    }

    TestDatabase database_{Backend::kSqlite};
    const std::string path_ = database_.FilePath();
    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

// Before, the connection went on reading the file that had left and refused every write as
// "attempt to write a readonly database".
TEST_F(FollowsTheDatabaseFileTest, AFileReplacedUnderTheConnectionIsOpenedAtItsNextUse) {
    ASSERT_GT(OpenDescriptorsOn(path_), 0);
    const std::string copy = CopyWithGroup(".restored", "Restored");
    const CapturedLog log;
    ASSERT_EQ(std::rename(copy.c_str(), path_.c_str()), 0);

    EXPECT_EQ(Names(), (Strings{"All Contacts", "Restored", "All Schedules"}));
    EXPECT_EQ(connection_.FileReopenCount(), 1u);
    EXPECT_EQ(OpenDescriptorsOnRemovedFile(path_), 0);
    EXPECT_THAT(log.Text(), HasSubstr("was replaced by another file"));

    // Writes go to the file that is there now, where another program reads them.
    ASSERT_TRUE(connection_.ExecuteStatement(
        "update assist_group set group_name='Kept' where group_id='1000000009'"))
        << connection_.LastError().Text();
    EXPECT_EQ(StoredName(path_), "Kept\n");
    EXPECT_EQ(connection_.FileReopenCount(), 1u);
}

TEST_F(FollowsTheDatabaseFileTest, AFileMovedAwayOrRemovedFailsAsMissingUntilItIsBack) {
    // Another connection that sits unused meanwhile, as the reminder scan's does.
    CDBConnection idle("Calvendra", "opal", "kelp");
    ASSERT_TRUE(idle.OpenConnection());
    const std::string away = path_ + ".away";
    const std::string backup = path_ + ".backup";

    struct Way {
        const char* what;
        std::function<void()> takeAway;
        std::function<void()> bringBack;
        const char* restoredName;  // a copy of another day brings its own rows
    };
    const Way ways[] = {
        {"moved away and back", [&] { ASSERT_EQ(std::rename(path_.c_str(), away.c_str()), 0); },
         [&] { ASSERT_EQ(std::rename(away.c_str(), path_.c_str()), 0); }, nullptr},
        {"removed and restored from a backup",
         [&] {
             ASSERT_EQ(CopyWithGroup(".backup", "From the backup"), backup);
             ASSERT_TRUE(std::filesystem::remove(path_));
         },
         [&] { std::filesystem::copy_file(backup, path_); }, "From the backup"},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        const unsigned long reopened = connection_.FileReopenCount();
        way.takeAway();

        OdbcDiagnostic failure;
        EXPECT_EQ(Names(&failure), Strings());
        EXPECT_EQ(failure.kind, FailureKind::kMissing) << failure.Text();
        EXPECT_THAT(failure.Text(), HasSubstr(std::filesystem::weakly_canonical(path_).string()));
        EXPECT_FALSE(connection_.ExecuteStatement(
            "insert into assist_group values('1000000003','Lost','1000000001')"));
        EXPECT_EQ(connection_.LastError().kind, FailureKind::kMissing);
        // Nothing new is made in its place, and nothing holds on to the file that left.
        EXPECT_FALSE(std::filesystem::exists(path_));
        EXPECT_FALSE(connection_.IsConnected());
        idle.FollowDatabaseFile();
        EXPECT_FALSE(idle.IsConnected());
        EXPECT_EQ(OpenDescriptorsOnRemovedFile(path_), 0);
        if (std::filesystem::exists(away)) {
            EXPECT_EQ(OpenDescriptorsOn(away), 0);
        }

        way.bringBack();
        Strings expected{"All Contacts", "All Schedules"};
        if (way.restoredName != nullptr) {
            expected.insert(expected.begin() + 1, way.restoredName);
        }
        EXPECT_EQ(Names(&failure), expected) << failure.Text();
        EXPECT_EQ(connection_.FileReopenCount(), reopened + 1);
        idle.FollowDatabaseFile();
        EXPECT_TRUE(idle.IsConnected());
        EXPECT_EQ(ReadColumn(idle, kGroupNames), expected);
    }
}

}  // namespace
}  // namespace calvendra::testing
