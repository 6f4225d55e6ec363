#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editors/group_members.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"

// What the organizer's commands write, each change whole: the statements of the catalogue, run in
// one transaction where a change is several of them. Needs no window.
namespace calvendra {

struct NewGroupOutcome : NewRowOutcome {
    // Members that no longer exist (deleted elsewhere meanwhile), whose move found no row; the
    // group is stored with the others.
    std::vector<Identifier> missingMembers;
};

// Stores a new group under the root `parentId` with its members moved into it (the group
// editor's member rows of `memberKind`), all or nothing, under `proposedId` or, when another
// group took that id meanwhile, under the next free one (StoreNewRow).
NewGroupOutcome StoreNewGroup(CDBConnection& connection, IdKind kind, Identifier proposedId,
                              const std::string& name, Identifier parentId, int memberKind,
                              const std::vector<GroupMember>& members);

// What the user is told when the group was stored but `count` of its members (of `memberKind`)
// were deleted elsewhere meanwhile.
std::string MissingMembersNotice(int memberKind, std::size_t count);

// The statements that delete one listed item: a contact alone (its attendant links stay), or a
// schedule with its attendant links and, where the database has the table (`repeatTable`, asked
// before the change with HasRepeatTable), its repeat rule. None for an id of neither range.
std::vector<std::string> DeleteItemChange(Identifier itemId, bool repeatTable);

// The statements that delete these items, one after the other, as one change.
std::vector<std::string> DeleteItemsChange(const std::vector<Identifier>& itemIds,
                                           bool repeatTable);

// Deletes these items as one change, with the repeat rules of the schedules where the database
// has the table; the failure of the change, empty when it is kept.
OdbcDiagnostic DeleteItems(CDBConnection& connection, const std::vector<Identifier>& itemIds);

// The question before deleting `count` selected items: the one for a single item, or one that
// says how many.
std::string DeleteItemsQuestion(std::size_t count);

// A group with every group below it, as the database holds them.
struct GroupSubtree {
    // The group first, then the groups below it, each after its parent.
    std::vector<Identifier> groups;
    // The contacts or schedules filed in any of them, which deleting them moves to the base group.
    long itemCount = 0;
};

// Reads the groups of the group's kind and collects those below it by their parent ids (a group
// that names one of its own descendants as parent is taken once), then counts their items.
// Empty, with the reason in `failure`, when the database cannot tell.
std::optional<GroupSubtree> ReadGroupSubtree(CDBConnection& connection, Identifier groupId,
                                             OdbcDiagnostic& failure);

// What the question before deleting the subtree adds: how many groups below it go with it and how
// many items move to the base group named `baseGroupName`; empty when neither.
std::string GroupDeletionDetails(const GroupSubtree& subtree, const std::string& baseGroupName);

// The statements that delete these groups and move every contact or schedule filed in them to
// the base group of their kind.
std::vector<std::string> DeleteGroupsChange(const std::vector<Identifier>& groups);

}  // namespace calvendra
