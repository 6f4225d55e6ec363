#include "editors/picker_rows.h"

#include <algorithm>

#include "platform/log.h"
#include "platform/translatable.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

void LogFailedQuery(const CDBResultSet& results, const char* what) {
    if (!results.LastError().Empty()) {
        LogWarning(std::string("cannot read ") + what + ": " + results.LastError().Text());
    }
}

std::vector<PickerRow> LoadContacts(CDBConnection& connection) {
    using Column = catalogue::ContactChoiceColumns;
    const std::string baseName = BaseGroupName(connection, kContactKind);
    std::vector<PickerRow> rows;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectContactsForPicker())) {
        rows.push_back(
            {row.Id(Column::kContactId),
             {ContactName(row.Text(Column::kFirstName), row.Text(Column::kLastName)),
              row.Text(Column::kHomeEmail),
              ShownGroupName(row.Text(Column::kGroupName), row.Text(Column::kGroupId), baseName)}});
    }
    LogFailedQuery(results, "the contacts to pick from");
    return rows;
}

std::vector<PickerRow> LoadSchedules(CDBConnection& connection) {
    using Column = catalogue::ScheduleChoiceColumns;
    const std::string baseName = BaseGroupName(connection, kScheduleKind);
    std::vector<PickerRow> rows;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForPicker())) {
        rows.push_back(
            {row.Id(Column::kScheduleId),
             {row.Text(Column::kSubject),
              RemindDateAndTime(row.Text(Column::kRemindDate), row.Text(Column::kRemindTime)),
              ShownGroupName(row.Text(Column::kGroupName), row.Text(Column::kGroupId), baseName)}});
    }
    LogFailedQuery(results, "the schedules to pick from");
    return rows;
}

}  // namespace

std::string ContactName(const std::string& firstName, const std::string& lastName) {
    return lastName.empty() ? firstName : firstName + " " + lastName;
}

std::string RemindDateAndTime(const std::string& remindDate, const std::string& remindTime) {
    return remindDate.empty() ? remindTime : remindDate + " " + remindTime;
}

std::optional<std::string> LoadGroupName(CDBConnection& connection, Identifier groupId) {
    using Column = catalogue::GroupNameColumns;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectGroupName(groupId))) {
        return row.Text(Column::kGroupName);
    }
    LogFailedQuery(results, "the name of a group");
    return std::nullopt;
}

std::string BaseGroupName(CDBConnection& connection, int kind) {
    const bool contacts = kind == kContactKind;
    return LoadGroupName(connection, contacts ? kContactBaseGroupId : kScheduleBaseGroupId)
        .value_or(contacts ? "the contact base group" : "the schedule base group");
}

std::string ShownGroupName(const std::string& groupName, const std::string& groupId,
                           const std::string& baseGroupName) {
    return groupId.empty() ? baseGroupName : groupName;
}

std::vector<GroupEntry> LoadGroupsOfKind(CDBConnection& connection, int kindDigit) {
    using Column = catalogue::GroupsOfKindColumns;
    std::vector<GroupEntry> groups;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectGroupsOfKind(kindDigit))) {
        groups.push_back({row.Id(Column::kGroupId), row.Text(Column::kGroupName)});
    }
    LogFailedQuery(results, "the groups to pick from");
    return groups;
}

std::vector<std::string> PickerHeadings(int kind) {
    switch (kind) {
        case kContactKind:
            return {TRANSLATABLE("Name"), TRANSLATABLE("Email"), TRANSLATABLE("Group")};
        case kScheduleKind:
            return {TRANSLATABLE("Subject"), TRANSLATABLE("Remind Time"), TRANSLATABLE("Group")};
        default:
            return {};
    }
}

std::vector<PickerRow> LoadPickerRows(CDBConnection& connection, int kind) {
    std::vector<PickerRow> rows;
    if (kind == kContactKind) {
        rows = LoadContacts(connection);
    } else if (kind == kScheduleKind) {
        rows = LoadSchedules(connection);
    }
    // Each row went in at the top of the list.
    std::reverse(rows.begin(), rows.end());
    return rows;
}

}  // namespace calvendra
