// Changes that meet what another user changed meanwhile, on both databases with two connections
// playing the two users: the rows a change found, the lock that tells a stored row from a deleted
// one, and where an item goes whose group another user deletes.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/db_transaction.h"
#include "store/item_filing.h"
#include "store/row_lock.h"
#include "store/statements.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using testing::Backend;

constexpr Identifier kFamily = 1000000002;

statements::ContactFields Named(const std::string& firstName) {
    statements::ContactFields fields;
    fields[0] = firstName;
    return fields;
}

class ConcurrentChangeStore : public testing::TwoUsersDatabaseTest {
protected:
    const char* StartingRows() const override {
        return "insert into assist_group values('1000000002','Family','1000000001');"
               "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
               " ('1000000011','1000000002','Anna'),('1000000012','1000000002','Ben');";
    }

    std::string GroupOf(const std::string& contactId) {
        return Database().QueryValue(
            "select group_id from assist_contactmaininfo where contact_id='" + contactId + "'");
    }

    // Whether a session of this test's database waits for a lock that another holds, as
    // PostgreSQL's own view tells (other tests' databases share the server).
    bool SomeoneWaitsForALock() {
        return Database().QueryValue(
                   "select count(*) from pg_stat_activity where datname = "
                   "current_database() and wait_event_type = 'Lock'") != "0";
    }

    // Until a session waits for a lock; false after a minute. The test goes on either way, so
    // that the waiting change ends.
    bool WaitUntilSomeoneWaits() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (!SomeoneWaitsForALock()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
        }
        return true;
    }
};

// After an insert, update or delete, both drivers tell how many rows it changed; an update counts
// the rows its condition matched, also when it changes no value.
TEST_P(ConcurrentChangeStore, ChangesTellHowManyRowsTheyFound) {
    struct Change {
        std::string statement;
        long rows;
    };
    const Change changes[] = {
        {statements::InsertGroup(1000000003, "Work", 1000000001), 1},
        {statements::LockGroup(kFamily), 1},
        {statements::LockGroup(1000000099), 0},
        {statements::LockContact(1000000011), 1},
        {statements::MoveContactsOfGroupToBase(kFamily), 2},
        {statements::MoveContactsOfGroupToBase(kFamily), 0},
        {statements::ReleaseContactFromGroup(1000000011, kFamily), 0},
        {statements::MoveContactToGroup(kFamily, 1000000011), 1},
        {statements::ReleaseContactFromGroup(1000000011, kFamily), 1},
        {statements::DeleteContact(1000000099), 0},
        {statements::DeleteContact(1000000012), 1},
        {statements::DeleteAttendantLinks(2000000011), 0},
    };
    for (const Change& change : changes) {
        long rows = -1;
        EXPECT_TRUE(connection_.ExecuteStatement(change.statement, rows))
            << change.statement << ": " << connection_.LastError().Text();
        EXPECT_EQ(rows, change.rows) << change.statement;
    }
    // A failed statement leaves no count behind.
    long rows = -1;
    EXPECT_FALSE(connection_.ExecuteStatement(statements::InsertGroup(kFamily, "Again", 1), rows));
    EXPECT_EQ(rows, 0);
}

// A group is kept for an item while it is stored; one that another user deleted gives the item to
// the base group; the group editor's group, stored after its items, is taken as it is.
TEST_P(ConcurrentChangeStore, AnItemIsFiledInItsGroupOnlyWhileTheGroupIsStored) {
    ASSERT_TRUE(other_.ExecuteStatement(statements::InsertGroup(1000000003, "Work", 1000000001)));
    struct Case {
        Identifier chosen;
        Identifier pending;
        Identifier filedIn;
        bool missing;
    };
    const Case cases[] = {
        {kFamily, 0, kFamily, false},
        {1000000003, 0, 1000000003, false},
        {1000000001, 0, 1000000001, false},
        {1000000009, 0, 1000000001, true},
        {1000000009, 1000000009, 1000000009, false},
        {kFamily, 1000000009, kFamily, false},
    };
    for (const Case& c : cases) {
        CDBTransaction transaction(connection_);
        ASSERT_TRUE(transaction.IsOpen());
        const std::optional<Filing> filing = FileItem(connection_, c.chosen, 1000000001, c.pending);
        ASSERT_TRUE(filing) << connection_.LastError().Text();
        EXPECT_EQ(filing->groupId, c.filedIn) << c.chosen;
        EXPECT_EQ(filing->chosenGroupMissing, c.missing) << c.chosen;
    }

    // Deleted by the other user just before the change: the new contact goes to the base group.
    ASSERT_TRUE(RunAsOneChange(other_, {statements::DeleteGroup(1000000003),
                                        statements::MoveContactsOfGroupToBase(1000000003)})
                    .Empty());
    Filing filing;
    ASSERT_TRUE(StoreFiledItem(
                    connection_, 1000000003, 1000000001, 0,
                    [](Identifier group) {
                        return std::vector<std::string>{
                            statements::InsertContact(1000000013, group, Named("Cleo"))};
                    },
                    filing)
                    .Empty());
    EXPECT_EQ(filing.groupId, 1000000001);
    EXPECT_TRUE(filing.chosenGroupMissing);
    EXPECT_EQ(GroupOf("1000000013"), "1000000001");

    // A lock inside a change that fails later is let go with it: the row is not taken.
    {
        CDBTransaction transaction(connection_);
        ASSERT_TRUE(
            LockStoredRow(connection_, statements::LockContact(1000000011)).value_or(false));
    }
    EXPECT_TRUE(other_.ExecuteStatement(statements::DeleteContact(1000000011)));
}

// PostgreSQL lets two changes run side by side: a deletion of the group waits for the change that
// files a contact in it, then moves that contact with the group's others; a contact filed while
// the deletion is under way waits for it and goes to the base group. (SQLite runs one writer at a
// time, so there the two changes cannot meet half way.)
TEST_P(ConcurrentChangeStore, AGroupDeletedWhileAnItemIsFiledInItLeavesTheItemInReach) {
    if (GetParam() != Backend::kPostgres) {
        GTEST_SKIP() << "SQLite runs one change at a time";
    }
    // Both wait as long as it takes: the test ends their waits itself.
    ASSERT_TRUE(connection_.ExecuteStatement("set lock_timeout = 0"));
    ASSERT_TRUE(other_.ExecuteStatement("set lock_timeout = 0"));
    const std::vector<std::string> deleteFamily{statements::DeleteGroup(kFamily),
                                                statements::MoveContactsOfGroupToBase(kFamily)};

    // The contact's change first: the deletion waits for it.
    {
        CDBTransaction filing(connection_);
        ASSERT_TRUE(filing.IsOpen());
        ASSERT_EQ(FileItem(connection_, kFamily, 1000000001, 0)->groupId, kFamily);
        ASSERT_TRUE(connection_.ExecuteStatement(
            statements::InsertContact(1000000013, kFamily, Named("Cleo"))));
        auto deletion =
            std::async(std::launch::async, [&] { return RunAsOneChange(other_, deleteFamily); });
        EXPECT_TRUE(WaitUntilSomeoneWaits()) << "the deletion does not wait for the change";
        ASSERT_TRUE(filing.Commit()) << filing.LastError().Text();
        EXPECT_TRUE(deletion.get().Empty());
    }
    EXPECT_EQ(GroupOf("1000000013"), "1000000001");
    EXPECT_EQ(GroupOf("1000000011"), "1000000001");

    // The deletion first: the contact's change waits for it and files the contact in the base.
    ASSERT_TRUE(other_.ExecuteStatement(statements::InsertGroup(1000000003, "Work", 1000000001)));
    {
        CDBTransaction deletion(other_);
        ASSERT_TRUE(deletion.IsOpen());
        ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteGroup(1000000003)));
        ASSERT_TRUE(other_.ExecuteStatement(statements::MoveContactsOfGroupToBase(1000000003)));
        auto stored = std::async(std::launch::async, [&] {
            Filing filing;
            const OdbcDiagnostic failure = StoreFiledItem(
                connection_, 1000000003, 1000000001, 0,
                [](Identifier group) {
                    return std::vector<std::string>{
                        statements::InsertContact(1000000014, group, Named("Dora"))};
                },
                filing);
            EXPECT_TRUE(failure.Empty()) << failure.Text();
            return filing;
        });
        EXPECT_TRUE(WaitUntilSomeoneWaits()) << "the change does not wait for the deletion";
        ASSERT_TRUE(deletion.Commit()) << deletion.LastError().Text();
        const Filing filing = stored.get();
        EXPECT_EQ(filing.groupId, 1000000001);
        EXPECT_TRUE(filing.chosenGroupMissing);
    }
    EXPECT_EQ(GroupOf("1000000014"), "1000000001");
}

CALVENDRA_FOR_EACH_BACKEND(ConcurrentChangeStore);

}  // namespace
}  // namespace calvendra
