#include "store/item_filing.h"

#include "store/db_transaction.h"
#include "store/row_lock.h"
#include "store/statements.h"

namespace calvendra {

std::optional<Filing> FileItem(CDBConnection& connection, Identifier chosenGroupId,
                               Identifier baseGroupId, Identifier pendingGroupId) {
    if (chosenGroupId == baseGroupId || (pendingGroupId != 0 && chosenGroupId == pendingGroupId)) {
        return Filing{chosenGroupId, false};
    }
    const std::optional<bool> stored =
        LockStoredRow(connection, statements::LockGroup(chosenGroupId));
    if (!stored) {
        return std::nullopt;
    }
    return *stored ? Filing{chosenGroupId, false} : Filing{baseGroupId, true};
}

OdbcDiagnostic StoreFiledItem(CDBConnection& connection, Identifier chosenGroupId,
                              Identifier baseGroupId, Identifier pendingGroupId,
                              const FiledStatements& statements, Filing& filing) {
    CDBTransaction transaction(connection);
    if (!transaction.IsOpen()) {
        return transaction.LastError();
    }
    const std::optional<Filing> filed =
        FileItem(connection, chosenGroupId, baseGroupId, pendingGroupId);
    if (!filed) {
        return connection.LastError();
    }
    for (const std::string& statement : statements(filed->groupId)) {
        if (!connection.ExecuteStatement(statement)) {
            return connection.LastError();
        }
    }
    if (!transaction.Commit()) {
        return transaction.LastError();
    }
    filing = *filed;
    return {};
}

NewItemOutcome StoreNewItem(CDBConnection& connection, IdKind kind, Identifier proposedId,
                            Identifier chosenGroupId, Identifier pendingGroupId,
                            const NewItemStatements& statements) {
    const Identifier base = kind == IdKind::kContact ? kContactBaseGroupId : kScheduleBaseGroupId;
    NewItemOutcome outcome;
    static_cast<NewRowOutcome&>(outcome) =
        StoreNewRow(connection, kind, proposedId, [&](Identifier id) {
            return StoreFiledItem(
                connection, chosenGroupId, base, pendingGroupId,
                [&](Identifier groupId) { return statements(id, groupId); }, outcome.filing);
        });
    return outcome;
}

}  // namespace calvendra
