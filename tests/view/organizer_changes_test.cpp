// What the form's commands write, against both databases: a deleted group takes the groups below
// it along and leaves every item reachable in the base group, a new group moves its members in,
// and a change that fails half way leaves everything as it was.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "store/db_connection.h"
#include "store/db_transaction.h"
#include "store/statements.h"
#include "tests/support/connected_database_test.h"
#include "view/organizer_changes.h"

namespace calvendra {
namespace {

using Ids = std::vector<Identifier>;
using Strings = std::vector<std::string>;

// Family (1000000002) holds Kids (…03) with Baby (…04) and Cousins (…05); Work (…06) stands
// beside it; two groups name each other as parent and hang nowhere; a schedule group names Family
// as its parent but is of the other kind.
constexpr char kGroupRows[] =
    "insert into assist_group values('1000000002','Family','1000000001');"
    "insert into assist_group values('1000000003','Kids','1000000002');"
    "insert into assist_group values('1000000004','Baby','1000000003');"
    "insert into assist_group values('1000000005','Cousins','1000000002');"
    "insert into assist_group values('1000000006','Work','1000000001');"
    "insert into assist_group values('1000000008','Loop A','1000000009');"
    "insert into assist_group values('1000000009','Loop B','1000000008');"
    "insert into assist_group values('2000000002','Odd','1000000002');"
    "insert into assist_group values('2000000003','Trips','2000000001');"
    "insert into assist_group values('2000000004','Abroad','2000000003');"
    "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
    " ('1000000011','1000000002','Anna'),('1000000012','1000000004','Ben'),"
    " ('1000000013','1000000005','Cleo'),('1000000014','1000000006','Dan');"
    "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject) values"
    " ('2000000011','2000000004','Flight'),('2000000012','2000000002','Odd one');"
    "insert into schedule_contact values('2000000011','1000000011');";

class OrganizerChangesTest : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (!IsSkipped()) {
            Database().Execute(kGroupRows);
        }
    }

    Strings Column(const std::string& sql) { return Database().QueryColumn(sql); }
    Strings Groups() { return Column("select group_id from assist_group order by group_id"); }
    Strings ContactGroups() {
        return Column("select group_id from assist_contactmaininfo order by contact_id");
    }

    GroupSubtree Subtree(Identifier groupId) {
        OdbcDiagnostic failure;
        const std::optional<GroupSubtree> subtree = ReadGroupSubtree(connection_, groupId, failure);
        EXPECT_TRUE(subtree) << failure.Text();
        return subtree.value_or(GroupSubtree{});
    }
};

TEST_P(OrganizerChangesTest, ADeletedGroupTakesTheGroupsBelowItAndTheirItemsMoveToTheBase) {
    const GroupSubtree family = Subtree(1000000002);
    EXPECT_EQ(family.groups, (Ids{1000000002, 1000000003, 1000000005, 1000000004}));
    EXPECT_EQ(family.itemCount, 3);
    EXPECT_EQ(Subtree(1000000008).groups, (Ids{1000000008, 1000000009}));
    EXPECT_EQ(Subtree(2000000003).groups, (Ids{2000000003, 2000000004}));
    EXPECT_EQ(Subtree(2000000003).itemCount, 1);

    ASSERT_TRUE(RunAsOneChange(connection_, DeleteGroupsChange(family.groups)).Empty());
    EXPECT_EQ(Groups(), (Strings{"1000000001", "1000000006", "1000000008", "1000000009",
                                 "2000000001", "2000000002", "2000000003", "2000000004"}));
    EXPECT_EQ(ContactGroups(), (Strings{"1000000001", "1000000001", "1000000001", "1000000006"}));

    ASSERT_TRUE(
        RunAsOneChange(connection_, DeleteGroupsChange(Subtree(2000000003).groups)).Empty());
    EXPECT_EQ(Column("select group_id from assist_scheduleinfo order by schedule_id"),
              (Strings{"2000000001", "2000000002"}));
}

TEST_P(OrganizerChangesTest, AGroupDeletionFailingHalfWayLeavesEveryGroupAndItemWhereItWas) {
    // The move out of Cousins, the sixth of eight statements, is refused.
    Database().RefuseWhere("assist_contactmaininfo", "update", "old.group_id = '1000000005'");
    const Strings groups = Groups();
    const Strings contacts = ContactGroups();
    const OdbcDiagnostic failure =
        RunAsOneChange(connection_, DeleteGroupsChange(Subtree(1000000002).groups));
    EXPECT_NE(failure.message.find("refused by the test"), std::string::npos) << failure.Text();
    EXPECT_EQ(Groups(), groups);
    EXPECT_EQ(ContactGroups(), contacts);
}

TEST_P(OrganizerChangesTest, ANewGroupMovesItsMembersInWholeOrNotAtAll) {
    const std::vector<GroupMember> members{{1000000011, "Anna", false}, {1000000014, "Dan", false}};
    Database().RefuseWhere("assist_contactmaininfo", "update", "old.contact_id = '1000000014'");
    const NewRowOutcome refused = StoreNewGroup(connection_, IdKind::kContactGroup, 1000000010,
                                                "Club", 1000000001, kContactKind, members);
    EXPECT_FALSE(refused.Stored());
    EXPECT_EQ(Column("select count(*) from assist_group where group_id='1000000010'"),
              (Strings{"0"}));
    EXPECT_EQ(ContactGroups(), (Strings{"1000000002", "1000000004", "1000000005", "1000000006"}));

    // Another organizer took the id meanwhile: the group and its members go to the next one.
    ASSERT_TRUE(connection_.ExecuteStatement(statements::InsertGroup(1000000010, "Theirs", 0)));
    const NewRowOutcome stored = StoreNewGroup(connection_, IdKind::kContactGroup, 1000000010,
                                               "Club", 1000000001, kContactKind, {members.front()});
    EXPECT_EQ(stored.id, 1000000011);
    EXPECT_EQ(Column("select group_name from assist_group where group_id='1000000011'"),
              (Strings{"Club"}));
    EXPECT_EQ(ContactGroups(), (Strings{"1000000011", "1000000004", "1000000005", "1000000006"}));
}

TEST_P(OrganizerChangesTest, ADeletedScheduleTakesItsAttendantLinksAndADeletedContactNot) {
    for (const Identifier item : {Identifier{1000000011}, Identifier{2000000011}}) {
        ASSERT_TRUE(DeleteItems(connection_, {item}).Empty());
    }
    EXPECT_EQ(Column("select count(*) from assist_contactmaininfo where contact_id='1000000011'"),
              (Strings{"0"}));
    EXPECT_EQ(Column("select count(*) from schedule_contact"), (Strings{"0"}));
    EXPECT_TRUE(DeleteItemChange(3000000000, true).empty());

    Database().Execute("insert into schedule_contact values('2000000012','1000000012')");
    ASSERT_TRUE(DeleteItems(connection_, {1000000012}).Empty());
    EXPECT_EQ(Column("select contact_id from schedule_contact"), (Strings{"1000000012"}));
}

TEST_P(OrganizerChangesTest, ADeletedScheduleTakesItsRepeatRuleAndItsIdTakesNoRuleAgain) {
    Database().Execute(
        "insert into schedule_repeat values('2000000011','every year 6-14');"
        "insert into schedule_repeat values('2000000012','every month 3');");
    const auto rules = [&] {
        return Column("select schedule_id from schedule_repeat order by schedule_id");
    };
    // One schedule, then a contact and a schedule at once: each rule goes with its schedule.
    ASSERT_TRUE(DeleteItems(connection_, {2000000011}).Empty());
    EXPECT_EQ(rules(), (Strings{"2000000012"}));
    ASSERT_TRUE(DeleteItems(connection_, {1000000014, 2000000012}).Empty());
    EXPECT_TRUE(rules().empty());

    // A schedule that refuses to go keeps its rule: the change is one.
    Database().Execute(
        "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject) values"
        " ('2000000013','2000000001','Kept');"
        "insert into schedule_repeat values('2000000013','every year 1-2');");
    Database().RefuseWhere("assist_scheduleinfo", "delete", "old.schedule_id = '2000000013'");
    EXPECT_FALSE(DeleteItems(connection_, {2000000013}).Empty());
    EXPECT_EQ(rules(), (Strings{"2000000013"}));

    // A new schedule under a deleted one's id does not repeat by its rule.
    ScheduleValues once;
    once.subject = "Once";
    once.reminder.remind = true;
    once.reminder.remindType = kRemindSpecialDay;
    once.reminder.remindDate = "2027-6-14";
    once.reminder.remindTime = "08:00:00";
    const NewItemOutcome again = StoreNewSchedule(connection_, 2000000011, 2000000001, once, {});
    ASSERT_TRUE(again.Stored()) << again.failure.Text();
    ASSERT_EQ(again.id, 2000000011);
    const std::optional<StoredSchedule> loaded = LoadSchedule(connection_, again.id);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(loaded->values.reminder.repeat);
}

TEST_P(OrganizerChangesTest, ADatabaseWithoutTheRepeatTableDeletesSchedulesAsBefore) {
    Database().Execute("drop table schedule_repeat");
    ASSERT_TRUE(DeleteItems(connection_, {2000000011, 1000000011}).Empty());
    EXPECT_EQ(Column("select schedule_id from assist_scheduleinfo"), (Strings{"2000000012"}));
    EXPECT_EQ(Column("select count(*) from schedule_contact"), (Strings{"0"}));
}

CALVENDRA_FOR_EACH_BACKEND(OrganizerChangesTest);

TEST(GroupDeletionDetails, SayWhatGoesWithTheGroupAndWhatMoves) {
    struct Case {
        GroupSubtree subtree;
        const char* expected;
    };
    const Case cases[] = {
        {{{1000000002}, 0}, ""},
        {{{1000000002}, 1}, "1 contact moves to \"All Contacts\"."},
        {{{1000000002, 1000000003}, 0}, "The group below it is deleted with it."},
        {{{2000000002, 2000000003, 2000000004}, 12},
         "The 2 groups below it are deleted with it. 12 schedules move to \"All Contacts\"."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GroupDeletionDetails(c.subtree, "All Contacts"), c.expected);
    }
}

}  // namespace
}  // namespace calvendra
