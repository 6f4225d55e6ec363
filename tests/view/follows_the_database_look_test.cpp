// The look for changes that the window sends to its reading thread: it reads the groups and the
// listed rows only when the database's mark moved, and hands back only what differs from what the
// window shows. Another program makes the changes; on SQLite and on PostgreSQL.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/connected_database_test.h"
#include "tests/support/lock_holder.h"
#include "view/change_check.h"

namespace calvendra::testing {
namespace {

const ReminderWording kWeekdays{};  // English, the stored forms

constexpr Identifier kFamily = 1000000002;
constexpr Identifier kWork = 2000000002;

class FollowsTheDatabaseLookTest : public ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        Database().Execute(
            "insert into assist_group values('1000000002','Family','1000000001');"
            "insert into assist_group values('1000000003','Kids','1000000002');"
            "insert into assist_group values('2000000002','Work','2000000001');"
            "insert into assist_contactmaininfo(contact_id,group_id,first_name,last_name,"
            "home_phone) values"
            " ('1000000011','1000000002','Anna','Berg','555-0101'),"
            " ('1000000012','1000000003','Ben','Berg','');"
            "insert into assist_scheduleinfo values"
            " ('2000000011','2000000002','Standup','',1,2,'1','','09:30:00',0);");
    }

    // What the window shows once it has read everything, listing `group`.
    ShownData ShownAfterReading(Identifier group) {
        ShownData shown;
        shown.listedGroupId = group;
        shown.refresh = true;
        const ChangeCheck check = LookForChanges(connection_, shown, kWeekdays);
        EXPECT_TRUE(check.failure.Empty()) << check.failure.Text();
        EXPECT_TRUE(check.tree);
        EXPECT_EQ(check.list.has_value(), group != 0);
        shown.refresh = false;
        shown.treeMark = check.mark;
        shown.listMark = check.mark;
        shown.treeFingerprint = check.tree ? check.tree->fingerprint : 0;
        shown.listFingerprint = check.list ? check.list->fingerprint : 0;
        return shown;
    }

    static std::vector<std::string> GroupNames(const GroupTreeReading& tree) {
        std::vector<std::string> names;
        for (const auto* rows : {&tree.contactGroups, &tree.scheduleGroups}) {
            for (const GroupRow& row : *rows) {
                names.push_back(row.name);
            }
        }
        return names;
    }

    static std::vector<std::string> FirstColumn(const ListReading& list) {
        std::vector<std::string> texts;
        for (std::size_t row = 0; row < list.rows.Size(); ++row) {
            texts.emplace_back(list.rows.Text(row, 0));
        }
        return texts;
    }
};

TEST_P(FollowsTheDatabaseLookTest, OnlyWhatChangedComesBackAndNothingWhileNothingDid) {
    struct Case {
        const char* what;
        Identifier listed;
        const char* change;  // by another program; empty for none
        bool groupsBack;
        bool rowsBack;
        std::vector<std::string> groups;  // what the groups read back hold, when they come
        std::vector<std::string> rows;    // the first column of the rows read back, when they come
    };
    const Case cases[] = {
        {"nothing", kFamily, "", false, false, {}, {}},
        {"a contact filed in the listed group",
         kFamily,
         "insert into assist_contactmaininfo(contact_id,group_id,first_name) "
         "values('1000000013','1000000002','Cleo');",
         false,
         true,
         {},
         {"Anna Berg", "Cleo "}},
        {"a listed contact's phone",
         kFamily,
         "update assist_contactmaininfo set home_phone='555-0199' where contact_id='1000000011';",
         false,
         true,
         {},
         {"Anna Berg", "Cleo "}},
        {"a listed contact deleted",
         kFamily,
         "delete from assist_contactmaininfo where contact_id='1000000013';",
         false,
         true,
         {},
         {"Anna Berg"}},
        {"a contact filed in a group that is not listed",
         kFamily,
         "insert into assist_contactmaininfo(contact_id,group_id,first_name) "
         "values('1000000014','1000000003','Dora');",
         false,
         false,
         {},
         {}},
        {"what the list does not show of a listed contact",
         kFamily,
         "update assist_contactmaininfo set home_city='Bergen' where contact_id='1000000011';",
         false,
         false,
         {},
         {}},
        {"a group renamed",
         kFamily,
         "update assist_group set group_name='Children' where group_id='1000000003';",
         true,
         false,
         {"All Contacts", "Family", "Children", "All Schedules", "Work"},
         {}},
        {"a group added",
         kWork,
         "insert into assist_group values('2000000003','Home','2000000001');",
         true,
         false,
         {"All Contacts", "Family", "Children", "All Schedules", "Work", "Home"},
         {}},
        {"a group deleted",
         kWork,
         "delete from assist_group where group_id='2000000003';",
         true,
         false,
         {"All Contacts", "Family", "Children", "All Schedules", "Work"},
         {}},
        {"a listed schedule's reminder",
         kWork,
         "update assist_scheduleinfo set remind_week='3' where schedule_id='2000000011';",
         false,
         true,
         {},
         {"Standup"}},
        {"no group listed",
         0,
         "update assist_group set group_name='Kin' where group_id='1000000002';",
         true,
         false,
         {"All Contacts", "Kin", "Children", "All Schedules", "Work"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ShownData shown = ShownAfterReading(c.listed);
        if (*c.change != '\0') {
            Database().ExecuteInClient(c.change);
        }
        ChangeCheck check = LookForChanges(connection_, shown, kWeekdays);
        ASSERT_TRUE(check.failure.Empty()) << check.failure.Text();
        // PostgreSQL's mark may move with writes elsewhere on the server; what comes back may not.
        if (*c.change != '\0' || GetParam() == Backend::kSqlite) {
            EXPECT_EQ(check.mark.SameAs(shown.treeMark), *c.change == '\0');
        }
        EXPECT_EQ(check.tree.has_value(), c.groupsBack);
        EXPECT_EQ(check.list.has_value(), c.rowsBack);
        if (check.tree) {
            EXPECT_EQ(GroupNames(*check.tree), c.groups);
        }
        if (check.list) {
            EXPECT_EQ(check.list->groupId, c.listed);
            EXPECT_EQ(FirstColumn(*check.list), c.rows);
        }

        // Once the window shows it, the next look finds nothing to read.
        ShownData updated = shown;
        updated.treeMark = check.mark;
        updated.listMark = check.mark;
        if (check.tree) {
            updated.treeFingerprint = check.tree->fingerprint;
        }
        if (check.list) {
            updated.listFingerprint = check.list->fingerprint;
        }
        check = LookForChanges(connection_, updated, kWeekdays);
        if (GetParam() == Backend::kSqlite) {
            EXPECT_TRUE(check.mark.SameAs(updated.treeMark));
        }
        EXPECT_FALSE(check.tree || check.list);
    }
}

TEST_P(FollowsTheDatabaseLookTest, ARefreshReadsTheGroupsAndTheRowsWhateverTheMarkSays) {
    ShownData shown = ShownAfterReading(kFamily);
    shown.refresh = true;
    const ChangeCheck check = LookForChanges(connection_, shown, kWeekdays);
    if (GetParam() == Backend::kSqlite) {
        EXPECT_TRUE(check.mark.SameAs(shown.treeMark));
    }
    ASSERT_TRUE(check.tree && check.list);
    EXPECT_EQ(check.tree->fingerprint, shown.treeFingerprint);
    EXPECT_EQ(FirstColumn(*check.list), std::vector<std::string>{"Anna Berg"});
}

// The rows of a large group are read again only when the mark they were read under moved: groups
// read over another connection (whose mark says nothing here) are read without them. A wrong
// fingerprint shows what was read, since what was read comes back when it differs.
TEST_P(FollowsTheDatabaseLookTest, EachPartIsReadOnlyWhenTheMarkItWasReadUnderMoved) {
    if (GetParam() == Backend::kPostgres) {
        GTEST_SKIP() << "PostgreSQL's mark may move with writes elsewhere on the server";
    }
    ShownData shown = ShownAfterReading(kFamily);
    shown.treeMark = ChangeMark();
    shown.treeFingerprint ^= 1;
    shown.listFingerprint ^= 1;
    ChangeCheck check = LookForChanges(connection_, shown, kWeekdays);
    EXPECT_TRUE(check.tree);
    EXPECT_FALSE(check.list);

    shown.treeMark = check.mark;
    shown.listMark = ChangeMark();
    check = LookForChanges(connection_, shown, kWeekdays);
    EXPECT_FALSE(check.tree);
    ASSERT_TRUE(check.list);
    EXPECT_TRUE(check.list->mark.SameAs(check.mark));
}

TEST_P(FollowsTheDatabaseLookTest, ALookAtALockedDatabaseSaysWhyAndReadsNothing) {
    const ShownData shown = ShownAfterReading(kFamily);
    {
        // Another program writes the rows and holds the database meanwhile.
        Database().ExecuteInClient(
            "update assist_group set group_name='Kin' where group_id='1000000002';");
        const LockHolder lock(Database());
        const ChangeCheck check = LookForChanges(connection_, shown, kWeekdays);
        EXPECT_EQ(check.failure.kind, FailureKind::kBusy) << check.failure.Text();
        EXPECT_FALSE(check.tree || check.list);
    }
    // The change is found once the database answers (the connection holds back for a few
    // seconds after a busy database; the look says so meanwhile).
    ChangeCheck check;
    for (int attempt = 0; attempt < 300; ++attempt) {
        check = LookForChanges(connection_, shown, kWeekdays);
        if (check.failure.Empty()) {
            break;
        }
        EXPECT_EQ(check.failure.kind, FailureKind::kBusy) << check.failure.Text();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(check.failure.Empty()) << check.failure.Text();
    ASSERT_TRUE(check.tree);
    EXPECT_EQ(GroupNames(*check.tree)[1], "Kin");
}

CALVENDRA_FOR_EACH_BACKEND(FollowsTheDatabaseLookTest);

}  // namespace
}  // namespace calvendra::testing
