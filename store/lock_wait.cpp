#include "store/lock_wait.h"

namespace calvendra {

std::string LockWaitKeywords() {
    // The SQLite driver waits its time-out afresh at each step of a statement that meets the
    // lock, preparing it and running it: each gets half the bound.
    return "Timeout=" + std::to_string(kLockWait.count() / 2) + ";";
}

std::vector<std::string> LockWaitStatements(const std::string& dbmsName) {
    if (dbmsName == "PostgreSQL") {
        // lock_timeout rather than statement_timeout: a long read that waits for nobody must
        // still finish.
        return {"set lock_timeout = " + std::to_string(kLockWait.count())};
    }
    return {};
}

}  // namespace calvendra
