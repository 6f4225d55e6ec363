#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"

// The members that the group editor gathers for a new group, and what it writes for them.
// Needs no window.
namespace calvendra {

// One row of the group editor's member list.
struct GroupMember {
    Identifier id = 0;
    std::string text;
    // Created in the group editor and so stored in the new group already. A picked item still
    // lies in its own group until the group is saved.
    bool createdHere = false;
};

// How the group editor names a contact that it created or changed: the first name, one blank and
// the last name, the blank also when there is no last name.
std::string MemberContactText(const std::string& firstName, const std::string& lastName);

// The statements that move every member into the group, one per row in row order (an item listed
// twice is moved twice). None for a kind that is neither contacts nor schedules.
std::vector<std::string> MemberStatements(int kind, Identifier groupId,
                                          const std::vector<GroupMember>& members);

// What "Remove" writes for a member created in the group editor: a contact goes back to the contact
// base group, a schedule to the schedule base group.
std::string ReleaseMemberStatement(int kind, Identifier id);

// The statements that send the members made in the group editor back to the base group of their
// kind when its group `groupId` is not stored after all (cancelled, or refused by the database):
// each only while it is still filed in that group, so that an item filed elsewhere meanwhile
// stays there. Run as one change.
std::vector<std::string> ReleaseCreatedMembersChange(int kind, Identifier groupId,
                                                     const std::vector<GroupMember>& members);

// How many members were made in the group editor: its Cancel question says that they stay, in
// the base group.
std::size_t CreatedHereCount(const std::vector<GroupMember>& members);

// Runs one of the group editor's own statements now. False when it failed, with `what` and the
// database's reason in the log.
bool RunMemberStatement(CDBConnection& connection, const std::string& statement,
                        const std::string& what);

}  // namespace calvendra
