#pragma once

#include <optional>
#include <string>

#include "store/db_connection.h"

namespace calvendra {

// Inside an open transaction (CDBTransaction): runs `lockStatement`, an update that changes
// nothing (statements::LockGroup, LockContact, LockSchedule), and tells from the rows it matched
// whether the row is stored. Until the transaction ends, no other user can change or delete the
// row: they wait for the change, and then see it whole. Empty when the statement failed, with the
// reason in the connection's LastError().
std::optional<bool> LockStoredRow(CDBConnection& connection, const std::string& lockStatement);

}  // namespace calvendra
