#pragma once

#include <functional>
#include <optional>
#include <string>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/item_filing.h"
#include "store/odbc_diagnostic.h"

// The save of an edited row over the version its editor read. Another user may have changed or
// deleted the row since: the save is written only when the stored row is still that version, and
// otherwise says which of the two happened, so that no change made elsewhere is lost without a
// word and no update that found no row passes for a save.
namespace calvendra {

enum class SaveResult {
    kSaved,
    // The stored row is no longer the version the editor read; nothing was written.
    kChangedMeanwhile,
    // The row is no longer stored; nothing was written.
    kDeletedMeanwhile,
    // The database refused; nothing was written.
    kFailed,
};

struct SaveOutcome {
    SaveResult result = SaveResult::kFailed;
    // Why the database refused (kFailed).
    OdbcDiagnostic failure;
    // Where the saved row is filed (kSaved).
    Filing filing;
};

struct CheckedUpdate {
    // The update that locks the row (statements::LockContact, LockSchedule).
    std::string lockStatement;
    // Reads the row as stored now, inside the change, and tells whether it is still the version
    // the editor read. Empty when it cannot be read, with the reason in `failure`.
    std::function<std::optional<bool>(OdbcDiagnostic& failure)> unchanged;
    // The group the editor files the row in, its kind's base group, and the group editor's new
    // group (0 for none): FileItem.
    Identifier chosenGroupId = 0;
    Identifier baseGroupId = 0;
    Identifier pendingGroupId = 0;
    // The row's update first, which must find the row; then what else the save replaces.
    FiledStatements statements;
};

// Locks the row, compares it, files it and writes it, as one change.
SaveOutcome SaveChecked(CDBConnection& connection, const CheckedUpdate& update);

}  // namespace calvendra
