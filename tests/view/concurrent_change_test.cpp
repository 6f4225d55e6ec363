// What the form's commands write when other users work on the same rows, on both databases with
// two connections playing the two users: several items deleted in one change, a new group whose
// picked member was deleted meanwhile, and the items of a group editor whose group was never
// stored sent to the base group.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editors/group_members.h"
#include "editors/picker_rows.h"
#include "store/db_connection.h"
#include "store/db_transaction.h"
#include "store/statements.h"
#include "tests/support/connected_database_test.h"
#include "view/organizer_changes.h"

namespace calvendra {
namespace {

using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

class ConcurrentChangeView : public testing::TwoUsersDatabaseTest {
protected:
    const char* StartingRows() const override {
        return "insert into assist_group values('1000000002','Family','1000000001');"
               "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
               " ('1000000011','1000000002','Anna'),('1000000012','1000000002','Ben'),"
               " ('1000000013','1000000001','Cleo');"
               "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject) values"
               " ('2000000011','2000000001','Flight'),('2000000012','2000000001','Dentist');"
               "insert into schedule_contact values('2000000011','1000000011');"
               "insert into schedule_contact values('2000000012','1000000012');";
    }

    Strings Column(const std::string& sql) { return Database().QueryColumn(sql); }
    Strings Contacts() {
        return Column("select contact_id from assist_contactmaininfo order by contact_id");
    }
    std::string GroupOf(Identifier contactId) {
        return Database().QueryValue(
            "select group_id from assist_contactmaininfo "
            "where contact_id='" +
            std::to_string(contactId) + "'");
    }
};

TEST_P(ConcurrentChangeView, SeveralSelectedItemsAreDeletedInOneChange) {
    EXPECT_EQ(DeleteItemsQuestion(0), "Do you want to delete the selected item?");
    EXPECT_EQ(DeleteItemsQuestion(1), "Do you want to delete the selected item?");
    EXPECT_EQ(DeleteItemsQuestion(3), "Do you want to delete the 3 selected items?");

    // One of them refuses: none goes.
    Database().RefuseWhere("assist_scheduleinfo", "delete", "old.schedule_id = '2000000012'");
    EXPECT_FALSE(DeleteItems(connection_, {1000000011, 2000000011, 2000000012}).Empty());
    EXPECT_EQ(Contacts(), (Strings{"1000000011", "1000000012", "1000000013"}));
    EXPECT_EQ(Column("select schedule_id from schedule_contact order by schedule_id"),
              (Strings{"2000000011", "2000000012"}));

    // One of them another user deleted already: the others go, and it stays gone.
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteContact(1000000012)));
    ASSERT_TRUE(DeleteItems(connection_, {1000000011, 1000000012, 1000000013, 2000000011}).Empty());
    EXPECT_TRUE(Contacts().empty());
    EXPECT_EQ(Column("select schedule_id from assist_scheduleinfo"), (Strings{"2000000012"}));
    // The schedule's links go with it; a contact's stay, as they always do.
    EXPECT_EQ(Column("select contact_id from schedule_contact"), (Strings{"1000000012"}));
}

TEST_P(ConcurrentChangeView, ANewGroupWhosePickedMemberWasDeletedMeanwhileIsStoredWithTheOthers) {
    ASSERT_TRUE(other_.ExecuteStatement(statements::DeleteContact(1000000013)));
    const NewGroupOutcome stored =
        StoreNewGroup(connection_, IdKind::kContactGroup, 1000000003, "Club", 1000000001,
                      kContactKind, {{1000000011, "Anna", false}, {1000000013, "Cleo", false}});
    ASSERT_TRUE(stored.Stored()) << stored.failure.Text();
    EXPECT_EQ(stored.missingMembers, (Ids{1000000013}));
    EXPECT_EQ(GroupOf(1000000011), "1000000003");
    EXPECT_EQ(MissingMembersNotice(kContactKind, 1),
              "The group is stored, but 1 of its contacts was deleted elsewhere meanwhile.");
    EXPECT_EQ(MissingMembersNotice(kScheduleKind, 2),
              "The group is stored, but 2 of its schedules were deleted elsewhere meanwhile.");
}

// The group editor made Dora and Eva in its group 1000000005, which was then not stored; the other
// user filed Eva elsewhere meanwhile. Dora goes to the base group, Eva stays where she was put, and
// the picked Anna is not touched.
TEST_P(ConcurrentChangeView, ItemsMadeForAGroupThatWasNeverStoredGoToTheBaseGroup) {
    Database().Execute(
        "insert into assist_contactmaininfo(contact_id,group_id,first_name) values"
        " ('1000000014','1000000005','Dora'),('1000000015','1000000005','Eva');"
        "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject) values"
        " ('2000000013','2000000005','Trip');");
    ASSERT_TRUE(other_.ExecuteStatement(statements::MoveContactToGroup(1000000002, 1000000015)));
    const std::vector<GroupMember> members{
        {1000000011, "Anna", false}, {1000000014, "Dora ", true}, {1000000015, "Eva ", true}};
    EXPECT_EQ(CreatedHereCount(members), 2u);
    EXPECT_EQ(CreatedHereCount({{2000000013, "Trip", true}}), 1u);
    EXPECT_EQ(CreatedHereCount({members[0]}), 0u);

    ASSERT_TRUE(
        RunAsOneChange(connection_, ReleaseCreatedMembersChange(kContactKind, 1000000005, members))
            .Empty());
    EXPECT_EQ(GroupOf(1000000011), "1000000002");
    EXPECT_EQ(GroupOf(1000000014), "1000000001");
    EXPECT_EQ(GroupOf(1000000015), "1000000002");

    ASSERT_TRUE(
        RunAsOneChange(connection_, ReleaseCreatedMembersChange(kScheduleKind, 2000000005,
                                                                {{2000000013, "Trip", true}}))
            .Empty());
    EXPECT_EQ(Database().QueryValue(
                  "select group_id from assist_scheduleinfo where schedule_id='2000000013'"),
              "2000000001");
    EXPECT_TRUE(ReleaseCreatedMembersChange(kContactKind, 1000000005, {members[0]}).empty());
}

CALVENDRA_FOR_EACH_BACKEND(ConcurrentChangeView);

}  // namespace
}  // namespace calvendra
