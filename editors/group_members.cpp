#include "editors/group_members.h"

#include <algorithm>

#include "editors/picker_rows.h"
#include "platform/log.h"
#include "store/statements.h"

namespace calvendra {

std::string MemberContactText(const std::string& firstName, const std::string& lastName) {
    return firstName + " " + lastName;
}

std::vector<std::string> MemberStatements(int kind, Identifier groupId,
                                          const std::vector<GroupMember>& members) {
    std::vector<std::string> moves;
    if (kind != kContactKind && kind != kScheduleKind) {
        return moves;
    }
    moves.reserve(members.size());
    for (const GroupMember& member : members) {
        moves.push_back(kind == kContactKind ? statements::MoveContactToGroup(groupId, member.id)
                                             : statements::MoveScheduleToGroup(groupId, member.id));
    }
    return moves;
}

std::string ReleaseMemberStatement(int kind, Identifier id) {
    return kind == kScheduleKind ? statements::MoveScheduleToGroup(kScheduleBaseGroupId, id)
                                 : statements::MoveContactToBase(id);
}

std::vector<std::string> ReleaseCreatedMembersChange(int kind, Identifier groupId,
                                                     const std::vector<GroupMember>& members) {
    std::vector<std::string> change;
    for (const GroupMember& member : members) {
        if (member.createdHere) {
            change.push_back(kind == kScheduleKind
                                 ? statements::ReleaseScheduleFromGroup(member.id, groupId)
                                 : statements::ReleaseContactFromGroup(member.id, groupId));
        }
    }
    return change;
}

std::size_t CreatedHereCount(const std::vector<GroupMember>& members) {
    return static_cast<std::size_t>(
        std::count_if(members.begin(), members.end(),
                      [](const GroupMember& member) { return member.createdHere; }));
}

bool RunMemberStatement(CDBConnection& connection, const std::string& statement,
                        const std::string& what) {
    if (connection.ExecuteStatement(statement)) {
        return true;
    }
    // The statement itself stays out of the log: it may carry a contact's personal data.
    LogWarning("cannot " + what + ": " + connection.LastError().Text());
    return false;
}

}  // namespace calvendra
