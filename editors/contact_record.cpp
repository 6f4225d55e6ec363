#include "editors/contact_record.h"

#include "platform/log.h"
#include "store/db_result_set.h"
#include "store/db_transaction.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"

namespace calvendra {

ContactValues NewContactValues() {
    ContactValues values;
    values[ContactField::kGender] = "Unspecified";
    values[ContactField::kHomeWeb] = kWebFieldDefault;
    values[ContactField::kBusinessWeb] = kWebFieldDefault;
    return values;
}

std::optional<StoredContact> LoadContact(CDBConnection& connection, Identifier contactId,
                                         OdbcDiagnostic* failure) {
    using Column = catalogue::ContactColumns;
    CDBResultSet results(connection);
    for (const ResultRow& row : QueryRows(results, statements::SelectContact(contactId))) {
        StoredContact contact;
        for (std::size_t field = 0; field < contact.values.size(); ++field) {
            contact.values[field] = row.Text(Column::kFirstText + static_cast<int>(field));
        }
        contact.groupId = row.Id(Column::kGroupId);
        return contact;
    }
    if (!results.LastError().Empty()) {
        if (failure != nullptr) {
            *failure = results.LastError();
        } else {
            LogWarning("cannot read contact " + std::to_string(contactId) + ": " +
                       results.LastError().Text());
        }
    }
    return std::nullopt;
}

std::string ContactStatement(bool existing, Identifier contactId, Identifier groupId,
                             const ContactValues& values) {
    return existing ? statements::UpdateContact(contactId, groupId, values)
                    : statements::InsertContact(contactId, groupId, values);
}

NewRowOutcome StoreNewContact(CDBConnection& connection, Identifier proposedId, Identifier groupId,
                              const ContactValues& values) {
    return StoreNewRow(connection, IdKind::kContact, proposedId, [&](Identifier id) {
        return RunAsOneChange(connection, {ContactStatement(false, id, groupId, values)});
    });
}

}  // namespace calvendra
