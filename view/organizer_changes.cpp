#include "view/organizer_changes.h"

#include <map>
#include <set>
#include <utility>

#include "editors/picker_rows.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/repeat_table.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

NewGroupOutcome StoreNewGroup(CDBConnection& connection, IdKind kind, Identifier proposedId,
                              const std::string& name, Identifier parentId, int memberKind,
                              const std::vector<GroupMember>& members) {
    NewGroupOutcome outcome;
    static_cast<NewRowOutcome&>(outcome) =
        StoreNewRow(connection, kind, proposedId, [&](Identifier groupId) -> OdbcDiagnostic {
            outcome.missingMembers.clear();
            CDBTransaction transaction(connection);
            if (!transaction.IsOpen()) {
                return transaction.LastError();
            }
            if (!connection.ExecuteStatement(statements::InsertGroup(groupId, name, parentId))) {
                return connection.LastError();
            }
            const std::vector<std::string> moves = MemberStatements(memberKind, groupId, members);
            for (std::size_t i = 0; i < moves.size(); ++i) {
                long moved = 0;
                if (!connection.ExecuteStatement(moves[i], moved)) {
                    return connection.LastError();
                }
                if (moved == 0) {
                    outcome.missingMembers.push_back(members[i].id);
                }
            }
            if (!transaction.Commit()) {
                return transaction.LastError();
            }
            return {};
        });
    return outcome;
}

std::string MissingMembersNotice(int memberKind, std::size_t count) {
    const bool one = count == 1;
    return "The group is stored, but " + std::to_string(count) + " of its " +
           (memberKind == kScheduleKind ? "schedules" : "contacts") + (one ? " was" : " were") +
           " deleted elsewhere meanwhile.";
}

std::vector<std::string> DeleteItemChange(Identifier itemId, bool repeatTable) {
    if (IsContactRange(itemId)) {
        return {statements::DeleteContact(itemId)};
    }
    if (IsScheduleRange(itemId)) {
        std::vector<std::string> change{statements::DeleteSchedule(itemId),
                                        statements::DeleteAttendantLinks(itemId)};
        if (repeatTable) {
            change.push_back(DeleteRepeatRule(itemId));
        }
        return change;
    }
    return {};
}

std::vector<std::string> DeleteItemsChange(const std::vector<Identifier>& itemIds,
                                           bool repeatTable) {
    std::vector<std::string> change;
    for (Identifier itemId : itemIds) {
        for (std::string& statement : DeleteItemChange(itemId, repeatTable)) {
            change.push_back(std::move(statement));
        }
    }
    return change;
}

OdbcDiagnostic DeleteItems(CDBConnection& connection, const std::vector<Identifier>& itemIds) {
    // Asked before the change, which a query of a missing table would end on PostgreSQL; a
    // database that cannot say deletes the items as one without the table does.
    OdbcDiagnostic unknown;
    const bool repeatTable = HasRepeatTable(connection, unknown).value_or(false);
    return RunAsOneChange(connection, DeleteItemsChange(itemIds, repeatTable));
}

std::string DeleteItemsQuestion(std::size_t count) {
    if (count <= 1) {
        return "Do you want to delete the selected item?";
    }
    return "Do you want to delete the " + std::to_string(count) + " selected items?";
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
