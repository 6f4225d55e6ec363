#include "store/checked_update.h"

#include "store/db_transaction.h"
#include "store/row_lock.h"

namespace calvendra {

namespace {

SaveOutcome Failed(OdbcDiagnostic failure) {
    SaveOutcome outcome;
    outcome.failure = std::move(failure);
    return outcome;
}

SaveOutcome Ended(SaveResult result) {
    SaveOutcome outcome;
    outcome.result = result;
    return outcome;
}

}  // namespace

SaveOutcome SaveChecked(CDBConnection& connection, const CheckedUpdate& update) {
    // Nothing that ends the change early is kept: the transaction takes it back.
    CDBTransaction transaction(connection);
    if (!transaction.IsOpen()) {
        return Failed(transaction.LastError());
    }
    const std::optional<bool> stored = LockStoredRow(connection, update.lockStatement);
    if (!stored) {
        return Failed(connection.LastError());
    }
    if (!*stored) {
        return Ended(SaveResult::kDeletedMeanwhile);
    }
    OdbcDiagnostic readFailure;
    const std::optional<bool> unchanged = update.unchanged(readFailure);
    if (!unchanged) {
        return Failed(readFailure);
    }
    if (!*unchanged) {
        return Ended(SaveResult::kChangedMeanwhile);
    }
    const std::optional<Filing> filing =
        FileItem(connection, update.chosenGroupId, update.baseGroupId, update.pendingGroupId);
    if (!filing) {
        return Failed(connection.LastError());
    }
    bool first = true;
    for (const std::string& statement : update.statements(filing->groupId)) {
        long changed = 0;
        if (!connection.ExecuteStatement(statement, changed)) {
            return Failed(connection.LastError());
        }
        if (first && changed == 0) {
            // The row is locked, so this cannot happen unless the update names another row.
            return Failed({std::string(), 0, "the update found no row to change"});
        }
        first = false;
    }
    if (!transaction.Commit()) {
        return Failed(transaction.LastError());
    }
    SaveOutcome outcome = Ended(SaveResult::kSaved);
    outcome.filing = *filing;
    return outcome;
}

}  // namespace calvendra
