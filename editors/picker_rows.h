#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"

// What the pickers offer, read from the database. Needs no window.
namespace calvendra {

// The kinds of items, which are also the leading digits of their groups' ids.
enum ItemKind : int {
    kContactKind = 1,
    kScheduleKind = 2,
};

// How a contact is named in the pickers: the first name, then one blank and the last name when
// there is one.
std::string ContactName(const std::string& firstName, const std::string& lastName);

// How a schedule's reminder is shown in the item picker: the date, one blank and the time, or the
// time alone when there is no date.
std::string RemindDateAndTime(const std::string& remindDate, const std::string& remindTime);

struct GroupEntry {
    Identifier groupId = 0;
    std::string name;
};

// The name of one group; empty when it is not stored or cannot be read (the reason in the log).
std::optional<std::string> LoadGroupName(CDBConnection& connection, Identifier groupId);

// The base group of a kind's name for what the user is told; "the contact base group" or "the
// schedule base group" when it cannot be read.
std::string BaseGroupName(CDBConnection& connection, int kind);

// The group name a choice shows for an item: the name of the group it is filed in, or, when that
// group's row is missing (the query's group id column reads empty), the base group's name, which
// is where the item is listed in the tree.
std::string ShownGroupName(const std::string& groupName, const std::string& groupId,
                           const std::string& baseGroupName);

// The groups whose ids begin with `kindDigit`, in ascending order of id. A query that fails gives
// none, and its reason goes to the log.
std::vector<GroupEntry> LoadGroupsOfKind(CDBConnection& connection, int kindDigit);

struct PickerRow {
    Identifier id = 0;
    std::array<std::string, 3> texts;
};

// The item picker's column headings for `kind`; none for a kind that is neither.
std::vector<std::string> PickerHeadings(int kind);

// Every stored contact or schedule, also one whose group row is missing (ShownGroupName), in the
// order the item picker shows them: the query's last row first. None for any other kind; a query
// that fails gives none, and its reason goes to the log.
std::vector<PickerRow> LoadPickerRows(CDBConnection& connection, int kind);

}  // namespace calvendra
