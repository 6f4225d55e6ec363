#include "exchange/stored_groups.h"

#include <set>

#include "exchange/exchange_items.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra::exchange {

std::optional<StoredGroups> StoredGroups::Read(CDBConnection& connection, bool contacts,
                                               OdbcDiagnostic& failure) {
    using Column = catalogue::GroupTreeColumns;
    StoredGroups groups(contacts ? kContactBaseGroupId : kScheduleBaseGroupId);
    CDBResultSet results(connection);
    for (const ResultRow& row :
         QueryRows(results, contacts ? statements::SelectContactGroupTree()
                                     : statements::SelectScheduleGroupTree())) {
        groups.Add(
            {row.Id(Column::kGroupId), row.Id(Column::kParentId), row.Text(Column::kGroupName)});
    }
    if (!results.LastError().Empty()) {
        failure = results.LastError();
        return std::nullopt;
    }
    return groups;
}

void StoredGroups::Add(Group group) {
    children_.emplace(group.parentId, group.id);
    groups_[group.id] = std::move(group);
}

std::string StoredGroups::PathOf(Identifier id) const {
    std::vector<const std::string*> names;
    std::set<Identifier> seen;
    while (id != baseGroupId_) {
        const auto group = groups_.find(id);
        if (group == groups_.end() || !seen.insert(id).second) {
            return {};
        }
        names.push_back(&group->second.name);
        id = group->second.parentId;
    }
    std::string path;
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        path += (path.empty() ? "" : std::string(1, kPathSeparator)) + **name;
    }
    return path;
}

std::optional<Identifier> StoredGroups::ChildNamed(Identifier parentId,
                                                   const std::string& name) const {
    std::optional<Identifier> found;
    const auto [first, last] = children_.equal_range(parentId);
    for (auto child = first; child != last; ++child) {
        if (groups_.at(child->second).name == name && (!found || child->second < *found)) {
            found = child->second;
        }
    }
    return found;
}

std::optional<Identifier> StoredGroups::Find(const std::string& pathOrName) const {
    if (pathOrName.find(kPathSeparator) == std::string::npos) {
        for (const auto& [id, group] : groups_) {
            if (group.name == pathOrName) {
                return id;
            }
        }
        return std::nullopt;
    }
    Identifier at = baseGroupId_;
    for (const std::string& name : SplitGroupPath(pathOrName)) {
        const std::optional<Identifier> child = ChildNamed(at, name);
        if (!child) {
            return std::nullopt;
        }
        at = *child;
    }
    return at;
}

std::vector<Identifier> StoredGroups::Subtree(Identifier id) const {
    std::vector<Identifier> subtree{id};
    std::set<Identifier> taken{id};
    for (std::size_t next = 0; next < subtree.size(); ++next) {
        const auto [first, last] = children_.equal_range(subtree[next]);
        for (auto child = first; child != last; ++child) {
            if (taken.insert(child->second).second) {
                subtree.push_back(child->second);
            }
        }
    }
    return subtree;
}

}  // namespace calvendra::exchange
