#include "store/statements.h"

#include "store/sql_text.h"
#include "store/statement_catalogue.h"

namespace calvendra::statements {

using namespace catalogue;

const std::array<const char*, kContactTextColumnCount> kContactTextColumns = {
    "first_name",
    "last_name",
    "gender",
    "home_email",
    "home_street",
    "home_city",
    "home_state",
    "home_zip",
    "home_country",
    "home_phone",
    "home_fax",
    "home_mobile",
    "home_web",
    "business_email",
    "business_street",
    "business_city",
    "business_state",
    "business_zip",
    "business_country",
    "business_jobtitle",
    "business_department",
    "business_office",
    "business_phone",
    "business_fax",
    "business_web",
    "others",
};

namespace {

ContactFields Escaped(const ContactFields& fields) {
    ContactFields escaped;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        escaped[i] = EscapeQuotes(fields[i]);
    }
    return escaped;
}

}  // namespace

std::string SelectContactGroupTree() {
    return FormatText(kSelectContactGroupTree);
}

std::string SelectScheduleGroupTree() {
    return FormatText(kSelectScheduleGroupTree);
}

std::string SelectGroupsOfKind(int leadingDigit) {
    return FormatText(kSelectGroupsOfKind, leadingDigit);
}

std::string InsertGroup(Identifier groupId, const std::string& name, Identifier parentId) {
    return FormatText(kInsertGroup, groupId, EscapeQuotes(name).c_str(), parentId);
}

std::string DeleteGroup(Identifier groupId) {
    return FormatText(kDeleteGroup, groupId);
}

std::string SelectGroupName(Identifier groupId) {
    return FormatText(kSelectGroupName, groupId);
}

std::string LockGroup(Identifier groupId) {
    return FormatText(kLockGroup, groupId);
}

std::string SelectAllContacts() {
    return FormatText(kSelectAllContacts);
}

std::string SelectContactsOfGroup(Identifier groupId) {
    return FormatText(kSelectContactsOfGroup, groupId);
}

std::string SelectContact(Identifier contactId) {
    return FormatText(kSelectContact, contactId);
}

std::string InsertContact(Identifier contactId, Identifier groupId, const ContactFields& fields) {
    const ContactFields f = Escaped(fields);
    return FormatText(kInsertContact, contactId, groupId, f[0].c_str(), f[1].c_str(), f[2].c_str(),
                      f[3].c_str(), f[4].c_str(), f[5].c_str(), f[6].c_str(), f[7].c_str(),
                      f[8].c_str(), f[9].c_str(), f[10].c_str(), f[11].c_str(), f[12].c_str(),
                      f[13].c_str(), f[14].c_str(), f[15].c_str(), f[16].c_str(), f[17].c_str(),
                      f[18].c_str(), f[19].c_str(), f[20].c_str(), f[21].c_str(), f[22].c_str(),
                      f[23].c_str(), f[24].c_str(), f[25].c_str());
}

std::string UpdateContact(Identifier contactId, Identifier groupId, const ContactFields& fields) {
    const ContactFields f = Escaped(fields);
    return FormatText(kUpdateContact, groupId, f[0].c_str(), f[1].c_str(), f[2].c_str(),
                      f[3].c_str(), f[4].c_str(), f[5].c_str(), f[6].c_str(), f[7].c_str(),
                      f[8].c_str(), f[9].c_str(), f[10].c_str(), f[11].c_str(), f[12].c_str(),
                      f[13].c_str(), f[14].c_str(), f[15].c_str(), f[16].c_str(), f[17].c_str(),
                      f[18].c_str(), f[19].c_str(), f[20].c_str(), f[21].c_str(), f[22].c_str(),
                      f[23].c_str(), f[24].c_str(), f[25].c_str(), contactId);
}

std::string DeleteContact(Identifier contactId) {
    return FormatText(kDeleteContact, contactId);
}

std::string MoveContactsOfGroupToBase(Identifier groupId) {
    return FormatText(kMoveContactsOfGroupToBase, groupId);
}

std::string MoveContactToBase(Identifier contactId) {
    return FormatText(kMoveContactToBase, contactId);
}

std::string MoveContactToGroup(Identifier groupId, Identifier contactId) {
    return FormatText(kMoveContactToGroup, groupId, contactId);
}

std::string ReleaseContactFromGroup(Identifier contactId, Identifier groupId) {
    return FormatText(kReleaseContactFromGroup, contactId, groupId);
}

std::string LockContact(Identifier contactId) {
    return FormatText(kLockContact, contactId);
}

std::string SelectContactsForAttendants() {
    return FormatText(kSelectContactsForAttendants);
}

std::string SelectContactsForPicker() {
    return FormatText(kSelectContactsForPicker);
}

std::string SelectAttendantEmails(Identifier scheduleId) {
    return FormatText(kSelectAttendantEmails, scheduleId);
}

std::string SelectAllSchedules() {
    return FormatText(kSelectAllSchedules);
}

std::string SelectSchedulesOfGroup(Identifier groupId) {
    return FormatText(kSelectSchedulesOfGroup, groupId);
}

std::string SelectSchedule(Identifier scheduleId) {
    return FormatText(kSelectSchedule, scheduleId);
}

std::string SelectSchedulesForScan() {
    return FormatText(kSelectSchedulesForScan);
}

std::string SelectSchedulesDueForScan(const std::vector<std::string>& timeKeys) {
    std::string keys;
    for (const std::string& key : timeKeys) {
        keys += (keys.empty() ? "'" : ",'") + EscapeQuotes(key) + "'";
    }
    // No key at all matches no row: "in (NULL)" is valid where "in ()" is not.
    return FormatText(kSelectSchedulesDueForScan, kRemindTimeKey,
                      keys.empty() ? "NULL" : keys.c_str());
}

std::string InsertSchedule(Identifier scheduleId, Identifier groupId, const ScheduleFields& s) {
    return FormatText(kInsertSchedule, scheduleId, groupId, EscapeQuotes(s.subject).c_str(),
                      EscapeQuotes(s.text).c_str(), s.remind, s.remindType, s.remindWeek,
                      EscapeQuotes(s.remindDate).c_str(), EscapeQuotes(s.remindTime).c_str(),
                      s.emailRemind);
}

std::string UpdateSchedule(Identifier scheduleId, Identifier groupId, const ScheduleFields& s) {
    return FormatText(kUpdateSchedule, groupId, EscapeQuotes(s.subject).c_str(),
                      EscapeQuotes(s.text).c_str(), s.remind, s.remindType, s.remindWeek,
                      EscapeQuotes(s.remindDate).c_str(), EscapeQuotes(s.remindTime).c_str(),
                      s.emailRemind, scheduleId);
}

std::string DeleteSchedule(Identifier scheduleId) {
    return FormatText(kDeleteSchedule, scheduleId);
}

std::string MoveSchedulesOfGroupToBase(Identifier groupId) {
    return FormatText(kMoveSchedulesOfGroupToBase, groupId);
}

std::string MoveScheduleToGroup(Identifier groupId, Identifier scheduleId) {
    return FormatText(kMoveScheduleToGroup, groupId, scheduleId);
}

std::string ReleaseScheduleFromGroup(Identifier scheduleId, Identifier groupId) {
    return FormatText(kReleaseScheduleFromGroup, scheduleId, groupId);
}

std::string LockSchedule(Identifier scheduleId) {
    return FormatText(kLockSchedule, scheduleId);
}

std::string SelectSchedulesForPicker() {
    return FormatText(kSelectSchedulesForPicker);
}

std::string SelectAttendantLink(Identifier scheduleId, Identifier contactId) {
    return FormatText(kSelectAttendantLink, scheduleId, contactId);
}

std::string InsertAttendantLink(Identifier scheduleId, Identifier contactId) {
    return FormatText(kInsertAttendantLink, scheduleId, contactId);
}

std::string DeleteAttendantLinks(Identifier scheduleId) {
    return FormatText(kDeleteAttendantLinks, scheduleId);
}

std::string SelectLinkedContacts(Identifier scheduleId) {
    return FormatText(kSelectLinkedContacts, scheduleId);
}

std::string SelectAttendantLinks(Identifier scheduleId) {
    return FormatText(kSelectAttendantLinks, scheduleId);
}

std::string SelectHighestId(const char* table, const char* column, Identifier first,
                            Identifier last) {
    return FormatText(kSelectHighestId, column, table, column, first, last, column);
}

std::string CountContactsOfGroup(Identifier groupId) {
    return FormatText(kCountContactsOfGroup, groupId);
}

std::string CountSchedulesOfGroup(Identifier groupId) {
    return FormatText(kCountSchedulesOfGroup, groupId);
}

std::string SelectContactsForMatching() {
    return kSelectContactsForMatching;
}

std::string SelectContactsForExport() {
    return kSelectContactsForExport;
}

std::string SelectAttendantsForExport() {
    return kSelectAttendantsForExport;
}

std::string DeleteAttendantLinksOfIds(Identifier first, Identifier last) {
    return FormatText(kDeleteAttendantLinksOfIds, first, last);
}

std::string CheckTable(const char* table) {
    return FormatText(kCheckTable, table);
}

}  // namespace calvendra::statements
