#include "exchange/export_data.h"

#include <map>
#include <set>

#include "editors/contact_record.h"
#include "platform/translatable.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra::exchange {

namespace {

// The groups whose items are written: all, or the subtree of one.
struct Scope {
    std::optional<std::set<Identifier>> groups;

    bool Holds(Identifier group) const { return !groups || groups->count(group) > 0; }
};

Scope ScopeOf(const StoredGroups& groups, std::optional<Identifier> group) {
    Scope scope;
    if (group) {
        const std::vector<Identifier> subtree = groups.Subtree(*group);
        scope.groups.emplace(subtree.begin(), subtree.end());
    }
    return scope;
}

}  // namespace

std::optional<std::vector<ContactToWrite>> ReadContactsToWrite(CDBConnection& connection,
                                                               std::optional<Identifier> group,
                                                               OdbcDiagnostic& failure) {
    const std::optional<StoredGroups> groups = StoredGroups::Read(connection, true, failure);
    if (!groups) {
        return std::nullopt;
    }
    const Scope scope = ScopeOf(*groups, group);
    using Column = catalogue::ContactExportColumns;
    std::vector<ContactToWrite> contacts;
    std::map<Identifier, std::string> paths;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectContactsForExport())) {
        const Identifier groupId = row.Id(Column::kGroupId);
        if (!scope.Holds(groupId)) {
            continue;
        }
        ContactToWrite contact;
        contact.contactId = row.Id(Column::kContactId);
        for (std::size_t field = 0; field < contact.fields.size(); ++field) {
            contact.fields[field] = row.Text(Column::kFirstText + static_cast<int>(field));
        }
        auto path = paths.find(groupId);
        if (path == paths.end()) {
            path = paths.emplace(groupId, groups->PathOf(groupId)).first;
        }
        contact.groupPath = path->second;
        contacts.push_back(std::move(contact));
    }
    if (!results.LastError().Empty()) {
        failure = results.LastError();
        return std::nullopt;
    }
    return contacts;
}

std::optional<std::vector<ScheduleToWrite>> ReadSchedulesToWrite(CDBConnection& connection,
                                                                 std::optional<Identifier> group,
                                                                 int& withoutAddress,
                                                                 OdbcDiagnostic& failure) {
    withoutAddress = 0;
    const std::optional<StoredGroups> groups = StoredGroups::Read(connection, false, failure);
    if (!groups) {
        return std::nullopt;
    }
    std::map<Identifier, std::vector<Attendee>> attendees;
    {
        using Column = catalogue::AttendantExportColumns;
        CDBResultSet results(connection);
        for (const ResultRow& row : QueryRows(results, statements::SelectAttendantsForExport())) {
            std::string email = row.Text(Column::kHomeEmail);
            if (email.empty()) {
                email = row.Text(Column::kBusinessEmail);
            }
            if (email.empty()) {
                ++withoutAddress;
                continue;
            }
            const std::string first = row.Text(Column::kFirstName);
            const std::string last = row.Text(Column::kLastName);
            std::vector<Attendee>& list = attendees[row.Id(Column::kScheduleId)];
            bool known = false;
            for (const Attendee& attendee : list) {
                known = known || attendee.email == email;
            }
            if (!known) {
                list.push_back({email, first + (first.empty() || last.empty() ? "" : " ") + last});
            }
        }
        if (!results.LastError().Empty()) {
            failure = results.LastError();
            return std::nullopt;
        }
    }
    const Scope scope = ScopeOf(*groups, group);
    using Column = catalogue::ScheduleColumns;
    std::vector<ScheduleToWrite> schedules;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectSchedulesForScan())) {
        const Identifier groupId = row.Id(Column::kGroupId);
        if (!scope.Holds(groupId)) {
            continue;
        }
        ScheduleToWrite schedule;
        schedule.scheduleId = row.Id(Column::kScheduleId);
        schedule.fields.subject = row.Text(Column::kSubject);
        schedule.fields.text = row.Text(Column::kText);
        schedule.fields.remind = row.Int(Column::kRemind);
        schedule.fields.remindType = row.Int(Column::kRemindType);
        schedule.fields.remindWeek = row.Int(Column::kRemindWeek);
        schedule.fields.remindDate = row.Text(Column::kRemindDate);
        schedule.fields.remindTime = row.Text(Column::kRemindTime);
        schedule.fields.emailRemind = row.Int(Column::kEmailRemind);
        schedule.groupPath = groups->PathOf(groupId);
        if (auto found = attendees.find(schedule.scheduleId); found != attendees.end()) {
            schedule.attendees = std::move(found->second);
        }
        schedules.push_back(std::move(schedule));
    }
    if (!results.LastError().Empty()) {
        failure = results.LastError();
        return std::nullopt;
    }
    return schedules;
}

std::string VCardFileOf(const std::vector<ContactToWrite>& contacts, VCardVersion version,
                        const Progress& progress) {
    std::string text;
    std::size_t done = 0;
    for (const ContactToWrite& contact : contacts) {
        text += VCardOf(contact.fields, contact.groupPath, version);
        if (++done % 256 == 0) {
            progress.Report(TRANSLATABLE("Writing contacts"), done, contacts.size());
        }
    }
    return text;
}

CivilDate LocalDateOf(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace calvendra::exchange
