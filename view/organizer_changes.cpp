#include "view/organizer_changes.h"

#include <map>
#include <set>
#include <utility>

#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

NewRowOutcome StoreNewGroup(CDBConnection& connection, IdKind kind, Identifier proposedId,
                            const std::string& name, Identifier parentId, int memberKind,
                            const std::vector<GroupMember>& members) {
    return StoreNewRow(connection, kind, proposedId, [&](Identifier groupId) {
        std::vector<std::string> change{statements::InsertGroup(groupId, name, parentId)};
        for (std::string& move : MemberStatements(memberKind, groupId, members)) {
            change.push_back(std::move(move));
        }
        return RunAsOneChange(connection, change);
    });
}

std::vector<std::string> DeleteItemChange(Identifier itemId) {
    if (IsContactRange(itemId)) {
        return {statements::DeleteContact(itemId)};
    }
    if (IsScheduleRange(itemId)) {
        return {statements::DeleteSchedule(itemId), statements::DeleteAttendantLinks(itemId)};
    }
    return {};
}

std::optional<GroupSubtree> ReadGroupSubtree(CDBConnection& connection, Identifier groupId,
                                             OdbcDiagnostic& failure) {
    using Column = catalogue::GroupTreeColumns;
    const bool contacts = IsContactRange(groupId);
    std::multimap<Identifier, Identifier> children;
    {
        CDBResultSet results(connection);
        for (const ResultRow& row :
             QueryRows(results, contacts ? statements::SelectContactGroupTree()
                                         : statements::SelectScheduleGroupTree())) {
            children.emplace(row.Id(Column::kParentId), row.Id(Column::kGroupId));
        }
        if (!results.LastError().Empty()) {
            failure = results.LastError();
            return std::nullopt;
        }
    }

    GroupSubtree subtree;
    std::set<Identifier> taken{groupId};
    subtree.groups.push_back(groupId);
    // Breadth first: every group comes after its parent.
    for (std::size_t next = 0; next < subtree.groups.size(); ++next) {
        const auto [first, last] = children.equal_range(subtree.groups[next]);
        for (auto child = first; child != last; ++child) {
            if (taken.insert(child->second).second) {
                subtree.groups.push_back(child->second);
            }
        }
    }

    using Count = catalogue::CountColumns;
    for (Identifier group : subtree.groups) {
        CDBResultSet results(connection);
        for (const ResultRow& row :
             QueryRows(results, contacts ? statements::CountContactsOfGroup(group)
                                         : statements::CountSchedulesOfGroup(group))) {
            subtree.itemCount += row.Long(Count::kCount);
        }
        if (!results.LastError().Empty()) {
            failure = results.LastError();
            return std::nullopt;
        }
    }
    return subtree;
}

std::string GroupDeletionDetails(const GroupSubtree& subtree, const std::string& baseGroupName) {
    std::string details;
    const std::size_t below = subtree.groups.empty() ? 0 : subtree.groups.size() - 1;
    if (below == 1) {
        details = "The group below it is deleted with it.";
    } else if (below > 1) {
        details = "The " + std::to_string(below) + " groups below it are deleted with it.";
    }
    if (subtree.itemCount > 0) {
        const bool contacts = !subtree.groups.empty() && IsContactRange(subtree.groups.front());
        const bool one = subtree.itemCount == 1;
        const std::string items = std::to_string(subtree.itemCount) + " " +
                                  (contacts ? "contact" : "schedule") + (one ? "" : "s");
        if (!details.empty()) {
            details += " ";
        }
        details += items + (one ? " moves" : " move") + " to \"" + baseGroupName + "\".";
    }
    return details;
}

std::vector<std::string> DeleteGroupsChange(const std::vector<Identifier>& groups) {
    std::vector<std::string> change;
    for (Identifier group : groups) {
        change.push_back(statements::DeleteGroup(group));
        change.push_back(IsContactRange(group) ? statements::MoveContactsOfGroupToBase(group)
                                               : statements::MoveSchedulesOfGroupToBase(group));
    }
    return change;
}

}  // namespace calvendra
