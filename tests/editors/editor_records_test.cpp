// What the pickers and the reminder settings read, and the statements the schedule editor and its
// caller run, against both databases.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editors/attendant_choice.h"
#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/statements.h"
#include "tests/editors/editor_test_data.h"
#include "tests/support/captured_log.h"
#include "tests/support/database_test.h"

namespace calvendra {
namespace {

using testing::kLinkedSchedule;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

class EditorRecordsTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        if (IsSkipped()) {
            return;
        }
        Database().Execute(testing::kEditorRows);
        ASSERT_TRUE(connection_.OpenConnection());
    }

    // The query's rows as the database gives them, first column and the rest joined.
    Strings QueryIds(const std::string& sql) {
        Strings ids;
        for (const auto& row : Database().Query(sql)) {
            ids.push_back(row.at(0));
        }
        return ids;
    }

    Strings Links(Identifier scheduleId) {
        return QueryIds("select contact_id from schedule_contact where schedule_id='" +
                        std::to_string(scheduleId) + "' order by contact_id");
    }

    CDBConnection connection_{"Calvendra", "opal", "kelp"};
};

TEST_P(EditorRecordsTest, GroupsOfOneKindInAscendingOrder) {
    Strings contactGroups;
    for (const GroupEntry& group : LoadGroupsOfKind(connection_, kContactKind)) {
        contactGroups.push_back(std::to_string(group.groupId) + " " + group.name);
    }
    EXPECT_EQ(contactGroups,
              (Strings{"1000000001 All Contacts", "1000000002 Family", "1000000003 Work mates"}));
    Strings scheduleGroups;
    for (const GroupEntry& group : LoadGroupsOfKind(connection_, kScheduleKind)) {
        scheduleGroups.push_back(std::to_string(group.groupId) + " " + group.name);
    }
    EXPECT_EQ(scheduleGroups,
              (Strings{"2000000001 All Schedules", "2000000002 Work", "2000000003 Home"}));
}

TEST_P(EditorRecordsTest, PickerRowsComeInTheReverseOfTheQuerysOrder) {
    // The order the database gives the joined rows in, turned round.
    Strings expected = QueryIds(statements::SelectContactsForPicker());
    std::reverse(expected.begin(), expected.end());
    Strings ids;
    for (const PickerRow& row : LoadPickerRows(connection_, kContactKind)) {
        ids.push_back(std::to_string(row.id));
    }
    EXPECT_EQ(ids, expected);
    // The contact whose group row is missing is not among them.
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "1000000014"), 0);

    expected = QueryIds(statements::SelectSchedulesForPicker());
    std::reverse(expected.begin(), expected.end());
    ids.clear();
    for (const PickerRow& row : LoadPickerRows(connection_, kScheduleKind)) {
        ids.push_back(std::to_string(row.id));
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(ids.size(), 2u);

    EXPECT_TRUE(LoadPickerRows(connection_, 3).empty());
    EXPECT_TRUE(LoadPickerRows(connection_, 0).empty());
}

// Ticking from one read of the links must tick exactly what one link query per contact would.
TEST_P(EditorRecordsTest, AttendantTicksEqualOneLinkQueryPerContact) {
    for (Identifier scheduleId : {kLinkedSchedule, 2000000005L, 2000000006L, 2000000077L}) {
        const AttendantChoice choice = LoadAttendantChoice(connection_, scheduleId, std::nullopt);
        ASSERT_EQ(choice.listed.size(), 3u);
        for (const AttendantCandidate& candidate : choice.listed) {
            CDBResultSet link(connection_);
            const bool linked =
                link.OpenQuery(statements::SelectAttendantLink(scheduleId, candidate.contactId));
            EXPECT_EQ(candidate.ticked, linked)
                << "schedule " << scheduleId << ", contact " << candidate.contactId;
        }
    }
}

TEST_P(EditorRecordsTest, AttendantsTheListCannotShowAreKeptAndLinksToNoContactAreNot) {
    const AttendantChoice stored = LoadAttendantChoice(connection_, kLinkedSchedule, std::nullopt);
    // The contact without a group row stays an attendant; the deleted contact does not.
    EXPECT_EQ(stored.unlisted, (Ids{1000000014}));
    Strings listed;
    for (const AttendantCandidate& candidate : stored.listed) {
        listed.push_back(candidate.name + (candidate.ticked ? " ticked" : ""));
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (Strings{"Anna Berg ticked", "Kim O'Neil", "Solo"}));

    // What an earlier confirmation chose wins over the stored links.
    const AttendantChoice chosen =
        LoadAttendantChoice(connection_, kLinkedSchedule, AttendantSet{1000000012, 1000000077});
    EXPECT_EQ(chosen.unlisted, (Ids{1000000077}));
    for (const AttendantCandidate& candidate : chosen.listed) {
        EXPECT_EQ(candidate.ticked, candidate.contactId == 1000000012) << candidate.name;
    }
}

TEST_P(EditorRecordsTest, ReplacingAttendantsStoresExactlyTheChosenOnes) {
    const Ids attendants{1000000013, 1000000014};
    const Strings inserts = AttendantStatements(kLinkedSchedule, attendants);
    EXPECT_EQ(inserts, (Strings{"insert into schedule_contact(schedule_id,contact_id) "
                                "values('2999999990','1000000013')",
                                "insert into schedule_contact(schedule_id,contact_id) "
                                "values('2999999990','1000000014')"}));
    EXPECT_TRUE(ReplaceAttendantLinks(connection_, kLinkedSchedule, inserts));
    EXPECT_EQ(Links(kLinkedSchedule), (Strings{"1000000013", "1000000014"}));
    // Another schedule's links stay.
    EXPECT_EQ(Links(2000000005), (Strings{"1000000012"}));

    // No attendants at all: the links go.
    EXPECT_TRUE(ReplaceAttendantLinks(connection_, 2000000005, {}));
    EXPECT_TRUE(Links(2000000005).empty());
}

TEST_P(EditorRecordsTest, AFailingAttendantInsertIsLoggedAndTheOthersStillRun) {
    testing::CapturedLog log;
    const Strings inserts{
        "insert into schedule_contact(schedule_id,contact_id) values('2000000005')",
        statements::InsertAttendantLink(2000000005, 1000000011)};
    EXPECT_FALSE(ReplaceAttendantLinks(connection_, 2000000005, inserts));
    EXPECT_EQ(Links(2000000005), (Strings{"1000000011"}));
    EXPECT_NE(log.Text().find("cannot store an attendant of schedule 2000000005"),
              std::string::npos)
        << log.Text();
}

TEST_P(EditorRecordsTest, AStoredScheduleLoadsForEditingWithItsFullId) {
    Database().Execute(
        "insert into assist_scheduleinfo values('2999999991','2000000003','Odd','x',2,7,'9','',"
        "'',5)");
    const auto standup = LoadSchedule(connection_, kLinkedSchedule);
    ASSERT_TRUE(standup);
    EXPECT_EQ(standup->scheduleId, kLinkedSchedule);
    EXPECT_EQ(standup->groupId, 2000000002);
    EXPECT_EQ(standup->values.subject, "Standup");
    EXPECT_EQ(standup->values.text, "Daily, short");
    EXPECT_TRUE(standup->values.reminder.remind);
    EXPECT_EQ(standup->values.reminder.remindType, 2);
    EXPECT_EQ(standup->values.reminder.remindWeek, 1);
    EXPECT_EQ(standup->values.reminder.remindDate, "");
    EXPECT_EQ(standup->values.reminder.remindTime, "09:30:00");
    EXPECT_TRUE(standup->values.reminder.emailRemind);

    // Any flag but 0 is on for the editor; values are handed on as stored.
    const auto odd = LoadSchedule(connection_, 2999999991);
    ASSERT_TRUE(odd);
    EXPECT_TRUE(odd->values.reminder.remind);
    EXPECT_TRUE(odd->values.reminder.emailRemind);
    EXPECT_EQ(odd->values.reminder.remindType, 7);
    EXPECT_EQ(odd->values.reminder.remindWeek, 9);
    EXPECT_EQ(odd->values.reminder.remindTime, "");

    EXPECT_FALSE(LoadSchedule(connection_, 2000000099));
}

TEST_P(EditorRecordsTest, ScheduleStatementsStoreTheTextAsTyped) {
    ScheduleValues values;
    values.subject = "Anna's party";
    values.text = "Bring 'the' cake\nand candles";
    values.reminder.remind = true;
    values.reminder.remindType = 1;
    values.reminder.remindWeek = 4;
    values.reminder.remindDate = "2005-3-7";
    values.reminder.remindTime = "09:05:00";
    values.reminder.emailRemind = true;
    const std::string insert = ScheduleStatement(false, 2999999992, 2000000003, values);
    EXPECT_EQ(insert,
              "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject,"
              "schedule_text,remind,remindtype,remind_week,remind_date,remind_time,emailremind) "
              "values('2999999992','2000000003','Anna''s party','Bring ''the'' cake\nand "
              "candles',1,1,'4','2005-3-7','09:05:00',1)");
    ASSERT_TRUE(connection_.ExecuteStatement(insert)) << connection_.LastError().Text();
    auto stored = LoadSchedule(connection_, 2999999992);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->values.subject, "Anna's party");
    EXPECT_EQ(stored->values.text, "Bring 'the' cake\nand candles");

    values.subject = "It's moved";
    values.reminder = ReminderSettings();
    const std::string update = ScheduleStatement(true, 2999999992, 2000000002, values);
    EXPECT_EQ(update,
              "update assist_scheduleinfo set group_id='2000000002',schedule_subject='It''s "
              "moved',schedule_text='Bring ''the'' cake\nand candles',remind=0,remindtype=3,"
              "remind_week='0',remind_date='',remind_time='',emailremind=0 "
              "where schedule_id='2999999992'");
    ASSERT_TRUE(connection_.ExecuteStatement(update)) << connection_.LastError().Text();
    stored = LoadSchedule(connection_, 2999999992);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->groupId, 2000000002);
    EXPECT_EQ(stored->values.subject, "It's moved");
    EXPECT_FALSE(stored->values.reminder.remind);
    EXPECT_EQ(stored->values.reminder.remindType, 3);
}

CALVENDRA_FOR_EACH_BACKEND(EditorRecordsTest);

}  // namespace
}  // namespace calvendra
