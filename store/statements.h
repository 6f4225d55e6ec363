#pragma once

#include <array>
#include <string>
#include <vector>

#include "store/identifiers.h"

// Builders that fill the formats of statement_catalogue.h. Every text argument is taken as the
// user typed it: the builder doubles its quotes, so callers never escape themselves.
namespace calvendra::statements {

// The 26 text columns of a contact, in table order.
inline constexpr std::size_t kContactTextColumnCount = 26;
using ContactFields = std::array<std::string, kContactTextColumnCount>;
extern const std::array<const char*, kContactTextColumnCount> kContactTextColumns;

// The values of one schedule row besides its two identifiers.
struct ScheduleFields {
    std::string subject;
    std::string text;
    int remind = 0;
    int remindType = 0;
    int remindWeek = 0;
    std::string remindDate;
    std::string remindTime;
    int emailRemind = 0;
};

// Groups.
std::string SelectContactGroupTree();
std::string SelectScheduleGroupTree();
std::string SelectGroupsOfKind(int leadingDigit);
std::string InsertGroup(Identifier groupId, const std::string& name, Identifier parentId);
std::string DeleteGroup(Identifier groupId);
std::string SelectGroupName(Identifier groupId);
std::string LockGroup(Identifier groupId);

// Contacts.
std::string SelectAllContacts();
std::string SelectContactsOfGroup(Identifier groupId);
std::string SelectContact(Identifier contactId);
std::string InsertContact(Identifier contactId, Identifier groupId, const ContactFields& fields);
std::string UpdateContact(Identifier contactId, Identifier groupId, const ContactFields& fields);
std::string DeleteContact(Identifier contactId);
std::string MoveContactsOfGroupToBase(Identifier groupId);
std::string MoveContactToBase(Identifier contactId);
std::string MoveContactToGroup(Identifier groupId, Identifier contactId);
std::string ReleaseContactFromGroup(Identifier contactId, Identifier groupId);
std::string LockContact(Identifier contactId);
std::string SelectContactsForAttendants();
std::string SelectContactsForPicker();
std::string SelectAttendantEmails(Identifier scheduleId);

// Schedules.
std::string SelectAllSchedules();
std::string SelectSchedulesOfGroup(Identifier groupId);
std::string SelectSchedule(Identifier scheduleId);
std::string SelectSchedulesForScan();
// The schedules whose reminder-time key (catalogue::kRemindTimeKey) is one of `timeKeys`, in the
// order of their ids.
std::string SelectSchedulesDueForScan(const std::vector<std::string>& timeKeys);
std::string InsertSchedule(Identifier scheduleId, Identifier groupId, const ScheduleFields& fields);
std::string UpdateSchedule(Identifier scheduleId, Identifier groupId, const ScheduleFields& fields);
std::string DeleteSchedule(Identifier scheduleId);
std::string MoveSchedulesOfGroupToBase(Identifier groupId);
std::string MoveScheduleToGroup(Identifier groupId, Identifier scheduleId);
std::string ReleaseScheduleFromGroup(Identifier scheduleId, Identifier groupId);
std::string LockSchedule(Identifier scheduleId);
std::string SelectSchedulesForPicker();

// Attendant links.
std::string SelectAttendantLink(Identifier scheduleId, Identifier contactId);
std::string InsertAttendantLink(Identifier scheduleId, Identifier contactId);
std::string DeleteAttendantLinks(Identifier scheduleId);
std::string SelectLinkedContacts(Identifier scheduleId);
std::string SelectAttendantLinks(Identifier scheduleId);

// The highest id of the kind [first, last] in one column of a table; the count of a group's items.
std::string SelectHighestId(const char* table, const char* column, Identifier first,
                            Identifier last);
std::string CountContactsOfGroup(Identifier groupId);
std::string CountSchedulesOfGroup(Identifier groupId);

// Exchange with vCard and iCalendar files: every contact's names and addresses, every contact
// whole, every schedule's attendants.
std::string SelectContactsForMatching();
std::string SelectContactsForExport();
std::string SelectAttendantsForExport();
std::string DeleteAttendantLinksOfIds(Identifier first, Identifier last);

// Start-up's check of one table (catalogue::kOrganizerTables).
std::string CheckTable(const char* table);

}  // namespace calvendra::statements
