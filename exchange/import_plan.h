#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "exchange/exchange_items.h"
#include "exchange/reminder_timing.h"
#include "exchange/stored_groups.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

// What an import will store, worked out before anything is stored: the groups to create, the
// contacts and schedules with the group each goes to, the attendants matched to stored contacts
// or made new ones, the duplicates found, and what is approximated. Needs no window.
namespace calvendra::exchange {

// What the database holds that an import is compared with.
struct StoredData {
    StoredGroups contactGroups{kContactBaseGroupId};
    StoredGroups scheduleGroups{kScheduleBaseGroupId};
    // Contacts by their addresses (lower case), home address before business, lowest id first.
    std::map<std::string, Identifier> contactsByEmail;
    // What makes a contact or a schedule the same as another (DuplicateKey).
    std::set<std::string> contactKeys;
    std::set<std::string> scheduleKeys;
};

// Reads it; empty, with the reason in `failure`, when the database cannot tell.
std::optional<StoredData> ReadStoredData(CDBConnection& connection, OdbcDiagnostic& failure);

// A contact is the same as another with the same names and addresses (letter case of the
// addresses aside); a schedule, with the same subject and reminder.
std::string ContactKey(const statements::ContactFields& fields);
std::string ScheduleKey(const statements::ScheduleFields& fields);

// The group where the contacts that an import makes for unknown attendants go.
inline constexpr char kImportedAttendantsGroup[] = "Imported attendants";

// A group, stored or planned (an index into ImportPlan::groups).
struct GroupRef {
    Identifier stored = 0;
    int planned = -1;
};

// A contact, stored or planned (an index into ImportPlan::contacts).
struct ContactRef {
    Identifier stored = 0;
    int planned = -1;
};

struct PlannedGroup {
    bool contacts = true;  // a contact group, or a schedule group
    GroupRef parent;
    std::string name;
    std::string path;
};

struct PlannedContact {
    statements::ContactFields fields;
    GroupRef group;
    // Made for an attendant that no stored or imported contact has the address of.
    bool forAttendant = false;
};

struct PlannedSchedule {
    statements::ScheduleFields fields;
    GroupRef group;
    std::vector<ContactRef> attendants;
};

struct ImportPlan {
    std::vector<PlannedGroup> groups;  // each after its parent
    std::vector<PlannedContact> contacts;
    std::vector<PlannedSchedule> schedules;

    int filesRead = 0;
    int contactsRead = 0;
    int schedulesRead = 0;
    // Items found in the database or earlier in the files; with them, whether they come in.
    std::vector<FileMessage> duplicates;
    int duplicateContacts = 0;
    int duplicateSchedules = 0;
    bool includesDuplicates = false;
    // What is approximated or not imported, for the summary.
    std::vector<FileMessage> notes;

    int AttendantContacts() const;
    int ContactsToStore() const { return static_cast<int>(contacts.size()); }
    int SchedulesToStore() const { return static_cast<int>(schedules.size()); }
    bool Empty() const { return contacts.empty() && schedules.empty(); }
};

// Plans the import of what the files hold (which must have no errors) into the stored data.
// Duplicates come in only with `includeDuplicates`.
ImportPlan PlanImport(const FileContents& contents, const StoredData& stored,
                      bool includeDuplicates);

// What the plan will do, in lines for a person: counts per kind, the groups to create, the
// duplicates found, what is approximated or not imported.
std::vector<std::string> SummaryLines(const ImportPlan& plan);

}  // namespace calvendra::exchange
