#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "store/identifiers.h"
#include "store/sql_text.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {
namespace {

using namespace statements;

int CountOf(const std::string& text, const std::string& piece) {
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos;
         at = text.find(piece, at + piece.size())) {
        ++count;
    }
    return count;
}

ContactFields NumberedFields() {
    ContactFields fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = "v" + std::to_string(i);
    }
    return fields;
}

TEST(EscapeQuotes, DoublesEveryQuoteAndNothingElse) {
    EXPECT_EQ(EscapeQuotes(""), "");
    EXPECT_EQ(EscapeQuotes("plain"), "plain");
    EXPECT_EQ(EscapeQuotes("O'Brien"), "O''Brien");
    EXPECT_EQ(EscapeQuotes("''"), "''''");
    EXPECT_EQ(EscapeQuotes("a\"b%s\\'"), "a\"b%s\\''");
}

TEST(FormatText, GrowsToAnyLength) {
    const std::string longText(10000, 'x');
    EXPECT_EQ(FormatText("[%s]", longText.c_str()), "[" + longText + "]");
    EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(Statements, PercentEscapesReachTheDatabaseAsOnePercentSign) {
    EXPECT_EQ(SelectContactGroupTree(),
              "select group_id,parent_id,group_name from assist_group where group_id like '1%' "
              "order by parent_id,group_id");
    EXPECT_EQ(SelectScheduleGroupTree(),
              "select group_id,parent_id,group_name from assist_group where group_id like '2%' "
              "order by parent_id,group_id");
    EXPECT_EQ(SelectGroupsOfKind(2),
              "select group_id,group_name from assist_group where group_id like '2%' order by "
              "group_id");
}

TEST(Statements, IdentifiersAreQuotedDecimalsAndFlagsBare) {
    EXPECT_EQ(DeleteGroup(1000000002), "delete from assist_group where group_id='1000000002'");
    EXPECT_EQ(MoveContactToGroup(1000000003, 1000000044),
              "update assist_contactmaininfo set group_id='1000000003' where "
              "contact_id='1000000044'");
    ScheduleFields fields;
    fields.subject = "Dentist";
    fields.text = "Bring the card";
    fields.remind = 1;
    fields.remindType = 2;
    fields.remindWeek = 3;
    fields.remindDate = "2005-3-7";
    fields.remindTime = "09:30:00";
    fields.emailRemind = 1;
    EXPECT_EQ(InsertSchedule(2000000007, 2000000001, fields),
              "insert into assist_scheduleinfo(schedule_id,group_id,schedule_subject,"
              "schedule_text,remind,remindtype,remind_week,remind_date,remind_time,emailremind) "
              "values('2000000007','2000000001','Dentist','Bring the card',1,2,'3','2005-3-7',"
              "'09:30:00',1)");
    EXPECT_EQ(UpdateSchedule(2000000007, 2000000002, fields),
              "update assist_scheduleinfo set group_id='2000000002',schedule_subject='Dentist',"
              "schedule_text='Bring the card',remind=1,remindtype=2,remind_week='3',"
              "remind_date='2005-3-7',remind_time='09:30:00',emailremind=1 where "
              "schedule_id='2000000007'");
}

TEST(Statements, IdentifiersAboveTheSigned32BitRangeStayExact) {
    EXPECT_EQ(DeleteSchedule(2999999999),
              "delete from assist_scheduleinfo where "
              "schedule_id='2999999999'");
}

TEST(Statements, TextSlotsDoubleTheirQuotes) {
    EXPECT_EQ(InsertGroup(1000000002, "Tom's friends", 1000000001),
              "insert into assist_group(group_id,group_name,parent_id) values('1000000002',"
              "'Tom''s friends','1000000001')");
    ScheduleFields fields;
    fields.subject = "it's";
    fields.text = "'";
    const std::string insert = InsertSchedule(2000000002, 2000000001, fields);
    EXPECT_NE(insert.find("'it''s',''''"), std::string::npos) << insert;
}

TEST(Statements, ContactInsertKeepsItsTabsAndBlanksBeforeValues) {
    const std::string insert = InsertContact(1000000005, 1000000001, NumberedFields());
    const std::string columns = "others)\t\t\t\t\t\t   values('1000000005','1000000001','v0',";
    EXPECT_NE(insert.find(columns), std::string::npos) << insert;
    EXPECT_EQ(insert.rfind("'v25')"), insert.size() - 6);
    EXPECT_EQ(CountOf(insert, "\t"), 6);
    // The column list names all 28 columns in table order.
    std::string expectedColumns = "insert into assist_contactmaininfo(contact_id,group_id";
    for (const char* column : kContactTextColumns) {
        expectedColumns += std::string(",") + column;
    }
    EXPECT_EQ(insert.substr(0, expectedColumns.size()), expectedColumns);
}

TEST(Statements, ContactUpdateAssignsEveryColumnInTableOrder) {
    ContactFields fields = NumberedFields();
    fields[25] = "Ann's note";
    const std::string update = UpdateContact(1000000009, 1000000003, fields);
    std::string expected = "update assist_contactmaininfo set group_id='1000000003'";
    for (std::size_t i = 0; i < kContactTextColumnCount; ++i) {
        expected +=
            std::string(",") + kContactTextColumns[i] + "='" + EscapeQuotes(fields[i]) + "'";
    }
    expected += " where contact_id='1000000009'";
    EXPECT_EQ(update, expected);
}

TEST(Statements, ScheduleDetailQueryHasTwoBlanksBeforeFrom) {
    EXPECT_EQ(SelectSchedule(2000000003),
              "select schedule_id,group_id,schedule_subject,schedule_text,remind,remindtype,"
              "remind_week,remind_date,remind_time,emailremind  from assist_scheduleinfo where "
              "schedule_id='2000000003'");
}

// The columns of a select list as written, table prefixes and blanks dropped.
std::vector<std::string> SelectList(const std::string& statement) {
    const std::size_t begin = statement.find("select ") + 7;
    const std::string list = statement.substr(begin, statement.find(" from ") - begin);
    std::vector<std::string> columns;
    std::istringstream in(list);
    for (std::string column; std::getline(in, column, ',');) {
        column.erase(0, column.find('.') + 1);  // npos + 1 is 0: nothing goes
        column.erase(column.find_last_not_of(' ') + 1);
        columns.push_back(column);
    }
    return columns;
}

// A reader that takes a column by its name in the catalogue gets the column the statement lists
// at that place.
TEST(Catalogue, NamedColumnPositionsMatchTheSelectLists) {
    using namespace catalogue;
    struct Named {
        const char* statement;
        int position;
        const char* column;
    };
    const Named named[] = {
        {kSelectContactGroupTree, GroupTreeColumns::kGroupId, "group_id"},
        {kSelectContactGroupTree, GroupTreeColumns::kParentId, "parent_id"},
        {kSelectScheduleGroupTree, GroupTreeColumns::kGroupName, "group_name"},
        {kSelectGroupsOfKind, GroupsOfKindColumns::kGroupId, "group_id"},
        {kSelectGroupsOfKind, GroupsOfKindColumns::kGroupName, "group_name"},
        {kSelectAllContacts, ContactListColumns::kContactId, "contact_id"},
        {kSelectAllContacts, ContactListColumns::kFirstName, "first_name"},
        {kSelectContactsOfGroup, ContactListColumns::kLastName, "last_name"},
        {kSelectContactsOfGroup, ContactListColumns::kHomePhone, "home_phone"},
        {kSelectContactsOfGroup, ContactListColumns::kHomeEmail, "home_email"},
        {kSelectContact, ContactColumns::kFirstText, "first_name"},
        {kSelectContact, ContactColumns::kGroupId, "group_id"},
        {kSelectContactsForAttendants, ContactChoiceColumns::kContactId, "contact_id"},
        {kSelectContactsForAttendants, ContactChoiceColumns::kHomeEmail, "home_email"},
        {kSelectContactsForPicker, ContactChoiceColumns::kFirstName, "first_name"},
        {kSelectContactsForPicker, ContactChoiceColumns::kLastName, "last_name"},
        {kSelectContactsForPicker, ContactChoiceColumns::kGroupName, "group_name"},
        {kSelectContactsForPicker, ContactChoiceColumns::kGroupId, "group_id"},
        {kSelectGroupName, GroupNameColumns::kGroupName, "group_name"},
        {kSelectAttendantLinks, LinkedContactColumns::kContactId, "contact_id"},
        {kSelectAttendantEmails, AttendantEmailColumns::kHomeEmail, "home_email"},
        {kSelectAttendantEmails, AttendantEmailColumns::kContactId, "contact_id"},
        {kSelectAttendantEmails, AttendantEmailColumns::kFirstName, "first_name"},
        {kSelectAttendantEmails, AttendantEmailColumns::kLastName, "last_name"},
        {kSelectAllSchedules, ScheduleListColumns::kScheduleId, "schedule_id"},
        {kSelectAllSchedules, ScheduleListColumns::kSubject, "schedule_subject"},
        {kSelectAllSchedules, ScheduleListColumns::kRemind, "remind"},
        {kSelectSchedulesOfGroup, ScheduleListColumns::kRemindType, "remindtype"},
        {kSelectSchedulesOfGroup, ScheduleListColumns::kRemindWeek, "remind_week"},
        {kSelectSchedulesOfGroup, ScheduleListColumns::kRemindDate, "remind_date"},
        {kSelectSchedulesOfGroup, ScheduleListColumns::kRemindTime, "remind_time"},
        {kSelectSchedule, ScheduleColumns::kGroupId, "group_id"},
        {kSelectSchedule, ScheduleColumns::kText, "schedule_text"},
        {kSelectSchedule, ScheduleColumns::kEmailRemind, "emailremind"},
        {kSelectSchedulesForScan, ScheduleColumns::kScheduleId, "schedule_id"},
        {kSelectSchedulesForScan, ScheduleColumns::kSubject, "schedule_subject"},
        {kSelectSchedulesForScan, ScheduleColumns::kRemind, "remind"},
        {kSelectSchedulesForScan, ScheduleColumns::kRemindType, "remindtype"},
        {kSelectSchedulesForScan, ScheduleColumns::kRemindWeek, "remind_week"},
        {kSelectSchedulesForScan, ScheduleColumns::kRemindDate, "remind_date"},
        {kSelectSchedulesForScan, ScheduleColumns::kRemindTime, "remind_time"},
        {kSelectSchedulesForScan, ScheduleColumns::kEmailRemind, "emailremind"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kScheduleId, "schedule_id"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kSubject, "schedule_subject"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kText, "schedule_text"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kRemind, "remind"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kRemindType, "remindtype"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kRemindWeek, "remind_week"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kRemindDate, "remind_date"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kRemindTime, "remind_time"},
        {kSelectSchedulesDueForScan, ScheduleColumns::kEmailRemind, "emailremind"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kScheduleId, "schedule_id"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kSubject, "schedule_subject"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kRemindDate, "remind_date"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kRemindTime, "remind_time"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kGroupName, "group_name"},
        {kSelectSchedulesForPicker, ScheduleChoiceColumns::kGroupId, "group_id"},
        {kSelectContactsForMatching, ContactMatchColumns::kContactId, "contact_id"},
        {kSelectContactsForMatching, ContactMatchColumns::kFirstName, "first_name"},
        {kSelectContactsForMatching, ContactMatchColumns::kLastName, "last_name"},
        {kSelectContactsForMatching, ContactMatchColumns::kHomeEmail, "home_email"},
        {kSelectContactsForMatching, ContactMatchColumns::kBusinessEmail, "business_email"},
        {kSelectContactsForExport, ContactExportColumns::kContactId, "contact_id"},
        {kSelectContactsForExport, ContactExportColumns::kGroupId, "group_id"},
        {kSelectContactsForExport, ContactExportColumns::kFirstText, "first_name"},
        {kSelectAttendantsForExport, AttendantExportColumns::kScheduleId, "schedule_id"},
        {kSelectAttendantsForExport, AttendantExportColumns::kFirstName, "first_name"},
        {kSelectAttendantsForExport, AttendantExportColumns::kLastName, "last_name"},
        {kSelectAttendantsForExport, AttendantExportColumns::kHomeEmail, "home_email"},
        {kSelectAttendantsForExport, AttendantExportColumns::kBusinessEmail, "business_email"},
    };
    for (const Named& entry : named) {
        const std::vector<std::string> columns = SelectList(entry.statement);
        ASSERT_LT(static_cast<std::size_t>(entry.position), columns.size()) << entry.statement;
        EXPECT_EQ(columns[static_cast<std::size_t>(entry.position)], entry.column)
            << entry.statement;
    }
    // The contact's text columns come in table order, as the contact editor fills them.
    const std::vector<std::string> contact = SelectList(kSelectContact);
    const std::vector<std::string> exported = SelectList(kSelectContactsForExport);
    for (std::size_t i = 0; i < kContactTextColumnCount; ++i) {
        EXPECT_EQ(contact[ContactColumns::kFirstText + i], kContactTextColumns[i]);
        EXPECT_EQ(exported[ContactExportColumns::kFirstText + i], kContactTextColumns[i]);
    }
}

TEST(Statements, TheTableCheckReadsNothingFromEachOfTheFourTables) {
    std::vector<std::string> checks;
    for (const char* table : catalogue::kOrganizerTables) {
        checks.push_back(CheckTable(table));
    }
    EXPECT_EQ(checks, (std::vector<std::string>{
                          "select * from assist_group where 1=0",
                          "select * from assist_contactmaininfo where 1=0",
                          "select * from assist_scheduleinfo where 1=0",
                          "select * from schedule_contact where 1=0",
                      }));
}

TEST(Identifiers, LeadingDigitTellsTheKind) {
    EXPECT_TRUE(IsContactRange(kContactBaseGroupId));
    EXPECT_TRUE(IsContactRange(1999999999));
    EXPECT_FALSE(IsContactRange(1000000000));
    EXPECT_FALSE(IsContactRange(2000000001));
    EXPECT_TRUE(IsScheduleRange(kScheduleBaseGroupId));
    EXPECT_TRUE(IsScheduleRange(2999999999));
    EXPECT_FALSE(IsScheduleRange(2000000000));
    EXPECT_FALSE(IsScheduleRange(3000000000));
    EXPECT_FALSE(IsScheduleRange(0));
}

}  // namespace
}  // namespace calvendra
