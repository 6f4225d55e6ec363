#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "store/checked_update.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/item_filing.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"
#include "store/statements.h"

// A contact as its editor holds it, read from and written to the database. Needs no window.
namespace calvendra {

// The 26 text fields of a contact in table order, as typed: quotes are doubled only inside the
// statements.
using ContactValues = statements::ContactFields;

// The position of each field in ContactValues.
struct ContactField {
    enum : std::size_t {
        kFirstName,
        kLastName,
        kGender,
        kHomeEmail,
        kHomeStreet,
        kHomeCity,
        kHomeState,
        kHomeZip,
        kHomeCountry,
        kHomePhone,
        kHomeFax,
        kHomeMobile,
        kHomeWeb,
        kBusinessEmail,
        kBusinessStreet,
        kBusinessCity,
        kBusinessState,
        kBusinessZip,
        kBusinessCountry,
        kBusinessJobTitle,
        kBusinessDepartment,
        kBusinessOffice,
        kBusinessPhone,
        kBusinessFax,
        kBusinessWeb,
        kOthers,
    };
};

// What a web field holds before anything is typed into it.
inline constexpr char kWebFieldDefault[] = "http://";

// A new contact: gender "Unspecified", both web fields "http://", everything else empty.
ContactValues NewContactValues();

struct StoredContact {
    Identifier groupId = 0;
    ContactValues values;

    bool operator==(const StoredContact& other) const {
        return groupId == other.groupId && values == other.values;
    }
    bool operator!=(const StoredContact& other) const { return !(*this == other); }
};

// The fields in which two versions of a contact differ, named as the editor's labels name them
// ("Phone", "Business Phone"), in table order, "Group" last.
std::vector<std::string> ContactDifferences(const StoredContact& one, const StoredContact& other);

// Reads one contact for editing, its texts exactly as stored. Empty when there is no such
// contact; a query that fails gives none too, with its reason in `failure` when given, otherwise in
// the log.
std::optional<StoredContact> LoadContact(CDBConnection& connection, Identifier contactId,
                                         OdbcDiagnostic* failure = nullptr);

// The insert of a new contact, or the update of an existing one (`existing`).
std::string ContactStatement(bool existing, Identifier contactId, Identifier groupId,
                             const ContactValues& values);

// Stores a new contact under `proposedId`, or, when another contact took that id meanwhile, under
// the next free one (StoreNewRow). It is filed in `groupId` while that group is stored, otherwise
// in the contact base group (FileItem; `pendingGroupId` is the group editor's unstored group).
NewItemOutcome StoreNewContact(CDBConnection& connection, Identifier proposedId, Identifier groupId,
                               const ContactValues& values, Identifier pendingGroupId = 0);

// Saves `edited` over the stored contact, but only while it is still stored as its editor read
// it (`remembered`); filed as StoreNewContact files it (SaveChecked).
SaveOutcome SaveEditedContact(CDBConnection& connection, Identifier contactId,
                              const StoredContact& remembered, const StoredContact& edited,
                              Identifier pendingGroupId = 0);

}  // namespace calvendra
