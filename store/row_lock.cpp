#include "store/row_lock.h"

namespace calvendra {

std::optional<bool> LockStoredRow(CDBConnection& connection, const std::string& lockStatement) {
    long matched = 0;
    if (!connection.ExecuteStatement(lockStatement, matched)) {
        return std::nullopt;
    }
    return matched > 0;
}

}  // namespace calvendra
