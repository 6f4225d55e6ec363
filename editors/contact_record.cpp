#include "editors/contact_record.h"

#include <iterator>

#include "platform/log.h"
#include "platform/translatable.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/statement_catalogue.h"

namespace calvendra {

namespace {

// The editor's labels of the 26 fields, the business page's with "Business" where the home block
// has the same label.
constexpr const char* kFieldLabels[] = {
    TRANSLATABLE("First Name"),
    TRANSLATABLE("Last Name"),
    TRANSLATABLE("Gender"),
    TRANSLATABLE("Email"),
    TRANSLATABLE("Street Address"),
    TRANSLATABLE("City"),
    TRANSLATABLE("State/Province"),
    TRANSLATABLE("Zip Code"),
    TRANSLATABLE("Country/Region"),
    TRANSLATABLE("Phone"),
    TRANSLATABLE("Fax"),
    TRANSLATABLE("Mobile"),
    TRANSLATABLE("Web"),
    TRANSLATABLE("Business Email"),
    TRANSLATABLE("Business Street Address"),
    TRANSLATABLE("Business City"),
    TRANSLATABLE("Business State/Province"),
    TRANSLATABLE("Business Zip Code"),
    TRANSLATABLE("Business Country/Region"),
    TRANSLATABLE("Job Title"),
    TRANSLATABLE("Department"),
    TRANSLATABLE("Office"),
    TRANSLATABLE("Business Phone"),
    TRANSLATABLE("Business Fax"),
    TRANSLATABLE("Business Web"),
    TRANSLATABLE("Others"),
};
static_assert(std::size(kFieldLabels) == statements::kContactTextColumnCount);

}  // namespace

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

std::vector<std::string> ContactDifferences(const StoredContact& one, const StoredContact& other) {
    std::vector<std::string> fields;
    for (std::size_t field = 0; field < one.values.size(); ++field) {
        if (one.values[field] != other.values[field]) {
            fields.push_back(kFieldLabels[field]);
        }
    }
    if (one.groupId != other.groupId) {
        fields.push_back(TRANSLATABLE("Group"));
    }
    return fields;
}

std::string ContactStatement(bool existing, Identifier contactId, Identifier groupId,
                             const ContactValues& values) {
    return existing ? statements::UpdateContact(contactId, groupId, values)
                    : statements::InsertContact(contactId, groupId, values);
}

NewItemOutcome StoreNewContact(CDBConnection& connection, Identifier proposedId, Identifier groupId,
                               const ContactValues& values, Identifier pendingGroupId) {
    return StoreNewItem(
        connection, IdKind::kContact, proposedId, groupId, pendingGroupId,
        [&](Identifier id, Identifier filedIn) {
            return std::vector<std::string>{ContactStatement(false, id, filedIn, values)};
        });
}

SaveOutcome SaveEditedContact(CDBConnection& connection, Identifier contactId,
                              const StoredContact& remembered, const StoredContact& edited,
                              Identifier pendingGroupId) {
    CheckedUpdate update;
    update.lockStatement = statements::LockContact(contactId);
    update.unchanged = [&](OdbcDiagnostic& failure) -> std::optional<bool> {
        const std::optional<StoredContact> now = LoadContact(connection, contactId, &failure);
        if (!failure.Empty()) {
            return std::nullopt;
        }
        return now && *now == remembered;
    };
    update.chosenGroupId = edited.groupId;
    update.baseGroupId = kContactBaseGroupId;
    update.pendingGroupId = pendingGroupId;
    update.statements = [&](Identifier groupId) {
        return std::vector<std::string>{ContactStatement(true, contactId, groupId, edited.values)};
    };
    return SaveChecked(connection, update);
}

}  // namespace calvendra
