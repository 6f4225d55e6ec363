#include "view/group_tree_reading.h"

#include <exception>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

OdbcDiagnostic ReadHierarchy(CDBConnection& connection, const std::string& query,
                             std::vector<GroupRow>& rows, std::string& everything) {
    using Column = catalogue::GroupTreeColumns;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, query)) {
        GroupRow& group = rows.emplace_back();
        group.id = row.Id(Column::kGroupId);
        group.parentId = row.Id(Column::kParentId);
        group.name = row.Text(Column::kGroupName);
        // Fields and rows each end in a byte that no text of the store holds.
        everything += std::to_string(group.id) + '\x1f' + std::to_string(group.parentId) + '\x1f' +
                      group.name + '\x1e';
    }
    return results.LastError();
}

}  // namespace

GroupTreeReading ReadGroupTree(CDBConnection& connection) {
    GroupTreeReading reading;
    std::string everything;
    try {
        reading.failure = ReadHierarchy(connection, statements::SelectContactGroupTree(),
                                        reading.contactGroups, everything);
        everything += '\x1d';
        if (reading.failure.Empty()) {
            reading.failure = ReadHierarchy(connection, statements::SelectScheduleGroupTree(),
                                            reading.scheduleGroups, everything);
        }
    } catch (const std::exception& failure) {
        reading.failure = {std::string(), 0, failure.what()};
    }
    reading.fingerprint = std::hash<std::string_view>()(everything);
    return reading;
}

std::vector<const GroupRow*> ShownGroups(const std::vector<GroupRow>& rows) {
    std::vector<const GroupRow*> shown;
    std::unordered_set<Identifier> placed;
    for (const GroupRow& row : rows) {
        if (row.parentId == kRootParentId || placed.count(row.parentId) > 0) {
            shown.push_back(&row);
            placed.insert(row.id);
        }
    }
    return shown;
}

}  // namespace calvendra
