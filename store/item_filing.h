#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/new_identifier.h"
#include "store/odbc_diagnostic.h"

// Where a new or changed contact or schedule is filed, decided inside the change that stores it: a
// group that another user deleted meanwhile takes no items, they go to the base group of their
// kind, so that no item is ever filed under a group that does not exist.
namespace calvendra {

struct Filing {
    // The group the item is stored in.
    Identifier groupId = 0;
    // The group chosen for the item was deleted meanwhile, so it went to the base group.
    bool chosenGroupMissing = false;
};

// Inside an open transaction: the chosen group when it is stored, locked until the change ends
// (deleting it then waits for the change, and moves the item with the group's other items); the
// chosen group as it is when it is the base group or `pendingGroupId` (the group editor's new
// group, which is stored after the items made in it; 0 for none); otherwise `baseGroupId`. Empty
// when the database could not tell, with the reason in the connection's LastError().
std::optional<Filing> FileItem(CDBConnection& connection, Identifier chosenGroupId,
                               Identifier baseGroupId, Identifier pendingGroupId);

// The statements that store an item in the group it is filed in.
using FiledStatements = std::function<std::vector<std::string>(Identifier groupId)>;

// Files the item (FileItem) and runs its statements, as one change. Empty when the change was
// stored, with `filing` telling where the item went; otherwise why not.
OdbcDiagnostic StoreFiledItem(CDBConnection& connection, Identifier chosenGroupId,
                              Identifier baseGroupId, Identifier pendingGroupId,
                              const FiledStatements& statements, Filing& filing);

struct NewItemOutcome : NewRowOutcome {
    // Where the item went, once stored.
    Filing filing;
};

// The statements that store a new item under its id in the group it is filed in.
using NewItemStatements =
    std::function<std::vector<std::string>(Identifier id, Identifier groupId)>;

// Stores a new contact or schedule (`kind`) under `proposedId`, or, when another user took that
// id meanwhile, under the next free one (StoreNewRow), filed as StoreFiledItem files it.
NewItemOutcome StoreNewItem(CDBConnection& connection, IdKind kind, Identifier proposedId,
                            Identifier chosenGroupId, Identifier pendingGroupId,
                            const NewItemStatements& statements);

}  // namespace calvendra
