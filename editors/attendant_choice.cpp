#include "editors/attendant_choice.h"

#include "editors/picker_rows.h"
#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"
#include "store/statements.h"

namespace calvendra {

namespace {

void LogFailure(const OdbcDiagnostic& error, const std::string& what) {
    if (!error.Empty()) {
        LogWarning(what + ": " + error.Text());
    }
}

AttendantSet LoadLinkedContacts(CDBConnection& connection, Identifier scheduleId) {
    using Column = catalogue::LinkedContactColumns;
    AttendantSet linked;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectLinkedContacts(scheduleId))) {
        linked.insert(row.Id(Column::kContactId));
    }
    LogFailure(results.LastError(),
               "cannot read the attendants of schedule " + std::to_string(scheduleId));
    return linked;
}

}  // namespace

AttendantChoice LoadAttendantChoice(CDBConnection& connection, Identifier scheduleId,
                                    const std::optional<AttendantSet>& chosen) {
    using Column = catalogue::ContactChoiceColumns;
    AttendantSet attendants = chosen ? *chosen : LoadLinkedContacts(connection, scheduleId);

    const std::string baseName = BaseGroupName(connection, kContactKind);
    AttendantChoice choice;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectContactsForPicker())) {
        AttendantCandidate candidate;
        candidate.contactId = row.Id(Column::kContactId);
        candidate.name = ContactName(row.Text(Column::kFirstName), row.Text(Column::kLastName));
        candidate.email = row.Text(Column::kHomeEmail);
        candidate.group =
            ShownGroupName(row.Text(Column::kGroupName), row.Text(Column::kGroupId), baseName);
        candidate.ticked = attendants.count(candidate.contactId) > 0;
        choice.listed.push_back(std::move(candidate));
    }
    LogFailure(results.LastError(), "cannot read the contacts to choose attendants from");

    for (const AttendantCandidate& candidate : choice.listed) {
        attendants.erase(candidate.contactId);
    }
    choice.unlisted.assign(attendants.begin(), attendants.end());
    return choice;
}

std::vector<std::string> AttendantStatements(Identifier scheduleId,
                                             const std::vector<Identifier>& attendants) {
    std::vector<std::string> inserts;
    inserts.reserve(attendants.size());
    for (Identifier contactId : attendants) {
        inserts.push_back(statements::InsertAttendantLink(scheduleId, contactId));
    }
    return inserts;
}

}  // namespace calvendra
