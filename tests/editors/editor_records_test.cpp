// What the pickers and the reminder settings read, the statements the schedule and contact editors
// hand back and their callers run, and what the group editor writes, against both databases.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editors/attendant_choice.h"
#include "editors/contact_record.h"
#include "editors/group_members.h"
#include "editors/picker_rows.h"
#include "editors/schedule_record.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/statements.h"
#include "tests/editors/editor_test_data.h"
#include "tests/support/captured_log.h"
#include "tests/support/connected_database_test.h"

namespace calvendra {
namespace {

using testing::kLinkedSchedule;
using Strings = std::vector<std::string>;
using Ids = std::vector<Identifier>;

class EditorRecordsTest : public testing::ConnectedDatabaseTest {
protected:
    void SetUp() override {
        ConnectedDatabaseTest::SetUp();
        if (!IsSkipped()) {
            Database().Execute(testing::kEditorRows);
        }
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
    // The order the database gives the rows in, turned round.
    Strings expected = QueryIds(statements::SelectContactsForPicker());
    std::reverse(expected.begin(), expected.end());
    Strings ids;
    for (const PickerRow& row : LoadPickerRows(connection_, kContactKind)) {
        ids.push_back(std::to_string(row.id));
    }
    EXPECT_EQ(ids, expected);
    // Every contact, the one whose group row is missing too.
    EXPECT_EQ(ids, (Strings{"1000000014", "1000000013", "1000000012", "1000000011"}));

    expected = QueryIds(statements::SelectSchedulesForPicker());
    std::reverse(expected.begin(), expected.end());
    ids.clear();
    for (const PickerRow& row : LoadPickerRows(connection_, kScheduleKind)) {
        ids.push_back(std::to_string(row.id));
    }
    EXPECT_EQ(ids, expected);
    EXPECT_EQ(ids, (Strings{"2999999990", "2000000006", "2000000005"}));

    EXPECT_TRUE(LoadPickerRows(connection_, 3).empty());
    EXPECT_TRUE(LoadPickerRows(connection_, 0).empty());
}

// Ticking from one read of the links must tick exactly what one link query per contact would.
TEST_P(EditorRecordsTest, AttendantTicksEqualOneLinkQueryPerContact) {
    for (Identifier scheduleId : {kLinkedSchedule, 2000000005L, 2000000006L, 2000000077L}) {
        const AttendantChoice choice = LoadAttendantChoice(connection_, scheduleId, std::nullopt);
        ASSERT_EQ(choice.listed.size(), 4u);
        for (const AttendantCandidate& candidate : choice.listed) {
            CDBResultSet link(connection_);
            const bool linked =
                link.OpenQuery(statements::SelectAttendantLink(scheduleId, candidate.contactId));
            EXPECT_EQ(candidate.ticked, linked)
                << "schedule " << scheduleId << ", contact " << candidate.contactId;
        }
    }
}

TEST_P(EditorRecordsTest, EveryContactIsListedChosenOnesTheListCannotShowStayAndDeletedOnesGo) {
    const AttendantChoice stored = LoadAttendantChoice(connection_, kLinkedSchedule, std::nullopt);
    // The contact without a group row is listed, under the base group, and ticked; the deleted
    // contact's link is not handed on.
    EXPECT_TRUE(stored.unlisted.empty());
    Strings listed;
    for (const AttendantCandidate& candidate : stored.listed) {
        listed.push_back(candidate.name + " in " + candidate.group +
                         (candidate.ticked ? " ticked" : ""));
    }
    EXPECT_EQ(listed, (Strings{"Anna Berg in Family ticked", "Kim O'Neil in Work mates",
                               "Solo in All Contacts", "Hidden Person in All Contacts ticked"}));

    // What an earlier confirmation chose wins over the stored links.
    const AttendantChoice chosen =
        LoadAttendantChoice(connection_, kLinkedSchedule, AttendantSet{1000000012, 1000000077});
    EXPECT_EQ(chosen.unlisted, (Ids{1000000077}));
    for (const AttendantCandidate& candidate : chosen.listed) {
        EXPECT_EQ(candidate.ticked, candidate.contactId == 1000000012) << candidate.name;
    }
}

TEST_P(EditorRecordsTest, ASchedulesChangeStoresExactlyTheChosenAttendants) {
    const Ids attendants{1000000013, 1000000014};
    const Strings inserts = AttendantStatements(kLinkedSchedule, attendants);
    EXPECT_EQ(inserts, (Strings{"insert into schedule_contact(schedule_id,contact_id) "
                                "values('2999999990','1000000013')",
                                "insert into schedule_contact(schedule_id,contact_id) "
                                "values('2999999990','1000000014')"}));
    ScheduleValues values;
    values.subject = "Standup";
    EXPECT_TRUE(RunAsOneChange(connection_,
                               ScheduleWithAttendants(
                                   ScheduleStatement(true, kLinkedSchedule, 2000000002, values),
                                   kLinkedSchedule, inserts))
                    .Empty());
    EXPECT_EQ(Links(kLinkedSchedule), (Strings{"1000000013", "1000000014"}));
    // Another schedule's links stay.
    EXPECT_EQ(Links(2000000005), (Strings{"1000000012"}));

    // No attendants at all: the links go.
    values.subject = "Dentist";
    EXPECT_TRUE(
        RunAsOneChange(connection_,
                       ScheduleWithAttendants(
                           ScheduleStatement(true, 2000000005, 2000000003, values), 2000000005, {}))
            .Empty());
    EXPECT_TRUE(Links(2000000005).empty());
}

TEST_P(EditorRecordsTest, AFailingAttendantInsertTakesTheWholeScheduleChangeBack) {
    ScheduleValues values;
    values.subject = "Renamed";
    const Strings inserts{
        statements::InsertAttendantLink(2000000005, 1000000011),
        "insert into schedule_contact(schedule_id,contact_id) values('2000000005')"};
    const OdbcDiagnostic failure = RunAsOneChange(
        connection_, ScheduleWithAttendants(ScheduleStatement(true, 2000000005, 2000000003, values),
                                            2000000005, inserts));
    EXPECT_FALSE(failure.Empty());
    EXPECT_EQ(Links(2000000005), (Strings{"1000000012"}));
    EXPECT_EQ(
        Database().QueryValue(
            "select schedule_subject from assist_scheduleinfo where schedule_id='2000000005'"),
        "Dentist");
}

// A new item whose id another organizer took meanwhile is stored under the next free id, with
// everything that belongs to it.
TEST_P(EditorRecordsTest, NewItemsMeetATakenIdWithTheNextFreeOne) {
    ContactValues contact = NewContactValues();
    contact[ContactField::kFirstName] = "Lena";
    // The counter lags behind: 1000000011 is Anna's. The attendant link to the deleted
    // 1000000099 keeps that id from being taken over too.
    const NewRowOutcome lena = StoreNewContact(connection_, 1000000011, 1000000002, contact);
    EXPECT_EQ(lena.id, 1000000100);
    EXPECT_EQ(Database().QueryValue("select first_name from assist_contactmaininfo "
                                    "where contact_id='1000000100'"),
              "Lena");
    EXPECT_EQ(Database().QueryValue("select first_name from assist_contactmaininfo "
                                    "where contact_id='1000000011'"),
              "Anna");

    ScheduleValues schedule;
    schedule.subject = "Review";
    const NewRowOutcome review =
        StoreNewSchedule(connection_, 2000000005, 2000000002, schedule, {1000000013});
    EXPECT_EQ(review.id, 2999999991);
    EXPECT_EQ(Links(2999999991), (Strings{"1000000013"}));
    EXPECT_EQ(Links(2000000005), (Strings{"1000000012"}));

    // Nothing stored when the database refuses for another reason: no second try.
    Database().Execute("alter table schedule_contact rename to links_elsewhere");
    const NewRowOutcome refused =
        StoreNewSchedule(connection_, 2999999992, 2000000002, schedule, {1000000013});
    EXPECT_FALSE(refused.Stored());
    EXPECT_FALSE(refused.failure.Empty());
    EXPECT_EQ(Database().QueryValue(
                  "select count(*) from assist_scheduleinfo where schedule_id='2999999992'"),
              "0");
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

// The 26 text columns of a stored contact, read without the code under test.
Strings StoredContactTexts(testing::TestDatabase& database, Identifier contactId) {
    std::string columns;
    for (const char* column : statements::kContactTextColumns) {
        columns += (columns.empty() ? "" : ",") + std::string(column);
    }
    const testing::Rows rows =
        database.Query("select " + columns + " from assist_contactmaininfo where contact_id='" +
                       std::to_string(contactId) + "'");
    return rows.empty() ? Strings{} : rows.front();
}

Strings AsStrings(const ContactValues& values) {
    return Strings(values.begin(), values.end());
}

TEST_P(EditorRecordsTest, QuotesInEveryContactFieldAreStoredOnceAndReadBackOnce) {
    ContactValues values;
    for (std::size_t field = 0; field < values.size(); ++field) {
        values[field] = std::string("O'") + statements::kContactTextColumns[field] + "''s";
    }
    const std::string insert = ContactStatement(false, 1000000021, 1000000003, values);
    EXPECT_NE(insert.find("'O''first_name''''s','O''last_name''''s'"), std::string::npos);
    ASSERT_TRUE(connection_.ExecuteStatement(insert)) << connection_.LastError().Text();
    EXPECT_EQ(StoredContactTexts(Database(), 1000000021), AsStrings(values));
    auto stored = LoadContact(connection_, 1000000021);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->groupId, 1000000003);
    EXPECT_EQ(AsStrings(stored->values), AsStrings(values));

    // The update carries every field again, each quote doubled once.
    for (std::string& value : values) {
        value = "'" + value;
    }
    const std::string update = ContactStatement(true, 1000000021, 1000000002, values);
    ASSERT_TRUE(connection_.ExecuteStatement(update)) << connection_.LastError().Text();
    stored = LoadContact(connection_, 1000000021);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->groupId, 1000000002);
    EXPECT_EQ(AsStrings(stored->values), AsStrings(values));
    EXPECT_EQ(StoredContactTexts(Database(), 1000000021), AsStrings(values));
    EXPECT_EQ(Database().QueryValue("select count(*) from assist_contactmaininfo"), "5");
}

TEST_P(EditorRecordsTest, LineEndsOfTheMultiLineFieldsComeBackExactly) {
    const Strings texts = {"14 Elm Row\r\nFlat 2",
                           "Kestrel House\n3 Quay Street\n",
                           "a\rb\r\n\r\nc\n\nd",
                           "\r\n",
                           "\n",
                           "line\r"};
    for (const std::string& text : texts) {
        ContactValues values = NewContactValues();
        values[ContactField::kFirstName] = "Lines";
        values[ContactField::kHomeStreet] = text;
        values[ContactField::kBusinessStreet] = text + "x";
        values[ContactField::kOthers] = "x" + text;
        ASSERT_TRUE(connection_.ExecuteStatement(statements::DeleteContact(1000000022)));
        ASSERT_TRUE(
            connection_.ExecuteStatement(ContactStatement(false, 1000000022, 1000000001, values)))
            << connection_.LastError().Text();
        auto stored = LoadContact(connection_, 1000000022);
        ASSERT_TRUE(stored);
        EXPECT_EQ(AsStrings(stored->values), AsStrings(values)) << ::testing::PrintToString(text);
        EXPECT_EQ(StoredContactTexts(Database(), 1000000022), AsStrings(values));

        values[ContactField::kOthers] = text + text;
        ASSERT_TRUE(
            connection_.ExecuteStatement(ContactStatement(true, 1000000022, 1000000001, values)));
        stored = LoadContact(connection_, 1000000022);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->values[ContactField::kOthers], text + text);
    }
}

TEST_P(EditorRecordsTest, AContactLoadsWithItsGroupAndMissingTextsEmpty) {
    const auto kim = LoadContact(connection_, 1000000012);
    ASSERT_TRUE(kim);
    EXPECT_EQ(kim->groupId, 1000000003);
    EXPECT_EQ(kim->values[ContactField::kFirstName], "Kim");
    EXPECT_EQ(kim->values[ContactField::kLastName], "O'Neil");
    EXPECT_EQ(kim->values[ContactField::kHomeEmail], "kim@example.org");
    // Columns the row never got read as empty, not as a new contact's defaults.
    EXPECT_EQ(kim->values[ContactField::kGender], "");
    EXPECT_EQ(kim->values[ContactField::kHomeWeb], "");
    EXPECT_FALSE(LoadContact(connection_, 1000000099));
}

TEST_P(EditorRecordsTest, MemberStatementsMoveTheMembersAndReleasedItemsGoToTheBaseGroups) {
    const std::vector<GroupMember> contacts = {{1000000011, "Anna Berg", false},
                                               {1000000013, "Solo", true}};
    for (const std::string& statement : MemberStatements(kContactKind, 1000000003, contacts)) {
        ASSERT_TRUE(connection_.ExecuteStatement(statement)) << connection_.LastError().Text();
    }
    EXPECT_EQ(QueryIds("select contact_id from assist_contactmaininfo "
                       "where group_id='1000000003' order by contact_id"),
              (Strings{"1000000011", "1000000012", "1000000013"}));
    ASSERT_TRUE(RunMemberStatement(connection_, ReleaseMemberStatement(kContactKind, 1000000012),
                                   "move a contact"));
    EXPECT_EQ(Database().QueryValue(
                  "select group_id from assist_contactmaininfo where contact_id='1000000012'"),
              "1000000001");

    for (const std::string& statement :
         MemberStatements(kScheduleKind, 2000000003, {{kLinkedSchedule, "Standup", false}})) {
        ASSERT_TRUE(connection_.ExecuteStatement(statement)) << connection_.LastError().Text();
    }
    EXPECT_EQ(QueryIds("select schedule_id from assist_scheduleinfo "
                       "where group_id='2000000003' order by schedule_id"),
              (Strings{"2000000005", "2999999990"}));
    ASSERT_TRUE(RunMemberStatement(
        connection_, ReleaseMemberStatement(kScheduleKind, kLinkedSchedule), "move a schedule"));
    EXPECT_EQ(Database().QueryValue(
                  "select group_id from assist_scheduleinfo where schedule_id='2999999990'"),
              "2000000001");
}

TEST_P(EditorRecordsTest, AFailingMemberStatementSaysWhyAndKeepsThePersonalDataOut) {
    ContactValues values = NewContactValues();
    values[ContactField::kFirstName] = "Duplicate";
    values[ContactField::kHomeStreet] = "Secret Lane 1";
    testing::CapturedLog log;
    // Anna already has this id.
    EXPECT_FALSE(RunMemberStatement(connection_,
                                    ContactStatement(false, 1000000011, 1000000003, values),
                                    "store the new contact 1000000011"));
    const std::string logged = log.Text();
    ASSERT_FALSE(connection_.LastError().sqlState.empty());
    // The driver's reason, with its state, follows what failed.
    const std::size_t what = logged.find("cannot store the new contact 1000000011: ");
    EXPECT_NE(what, std::string::npos) << logged;
    EXPECT_NE(logged.find("SQLSTATE " + connection_.LastError().sqlState, what), std::string::npos)
        << logged;
    EXPECT_EQ(logged.find("Secret Lane"), std::string::npos) << logged;
    EXPECT_EQ(Database().QueryValue(
                  "select first_name from assist_contactmaininfo where contact_id='1000000011'"),
              "Anna");
}

CALVENDRA_FOR_EACH_BACKEND(EditorRecordsTest);

}  // namespace
}  // namespace calvendra
