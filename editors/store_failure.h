#pragma once

#include <string>

#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"

class wxWindow;

// How the organizer tells the user that the database did not take a change.
namespace calvendra {

// Shows `message` followed by the support address, with the database's reason under it, and
// writes "<action>: <reason>" to the log (an action such as "Cannot save contact 1000000004").
void ReportStoreFailure(wxWindow* parent, const char* message, const std::string& action,
                        const OdbcDiagnostic& reason);

// Shows, and logs, that no new row of the kind can be created because its ids are used up.
void ReportRangeUsedUp(wxWindow* parent, IdKind kind);

// A new row that was not stored: the used-up range, or ReportStoreFailure.
void ReportNewRowFailure(wxWindow* parent, const char* message, IdKind kind,
                         const NewRowOutcome& outcome);

}  // namespace calvendra
