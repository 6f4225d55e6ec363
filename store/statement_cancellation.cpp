#include "store/statement_cancellation.h"

#include <sqlext.h>

namespace calvendra {

void StatementCancellation::Cancel() {
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    if (running_ != SQL_NULL_HSTMT) {
        // What the driver answers changes nothing: the statement either stops with an error, or
        // ends on its own and the work sees the token cancelled.
        SQLCancel(running_);
    }
}

bool StatementCancellation::Cancelled() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

bool StatementCancellation::Running() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_ != SQL_NULL_HSTMT;
}

bool StatementCancellation::Register(SQLHSTMT statement) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) {
        return false;
    }
    running_ = statement;
    return true;
}

void StatementCancellation::Withdraw(SQLHSTMT statement) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (running_ == statement) {
        running_ = SQL_NULL_HSTMT;
    }
}

}  // namespace calvendra
