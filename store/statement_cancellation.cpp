#include "store/statement_cancellation.h"

#include <sqlext.h>

#include <cstring>
#include <thread>

namespace calvendra {

void StatementCancellation::Cancel() {
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    if (running_ != SQL_NULL_HSTMT && cancelInPlace_) {
        // What the driver answers changes nothing: the statement either stops with an error, or
        // ends on its own and the work sees the token cancelled.
        SQLCancel(running_);
    }
}

bool StatementCancellation::CancelLeavingStatement() {
    const std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    return running_ != SQL_NULL_HSTMT && cancelInPlace_;
}

void CancelWithoutWaiting(const std::shared_ptr<StatementCancellation>& cancellation) {
    if (!cancellation->CancelLeavingStatement()) {
        return;
    }
    // The thread keeps the token alive, and the token's lock keeps the statement alive: the
    // reading thread cannot withdraw and free it while the driver cancels it. A statement that
    // ended meanwhile is no longer registered, and nothing is sent.
    std::thread([cancellation] { cancellation->Cancel(); }).detach();
}

bool StatementCancellation::Cancelled() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

bool StatementCancellation::Running() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return running_ != SQL_NULL_HSTMT;
}

bool StatementCancellation::Register(SQLHSTMT statement, bool cancelInPlace) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled_) {
        return false;
    }
    running_ = statement;
    cancelInPlace_ = cancelInPlace;
    return true;
}

void StatementCancellation::Withdraw(SQLHSTMT statement) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (running_ == statement) {
        running_ = SQL_NULL_HSTMT;
        cancelInPlace_ = false;
    }
}

bool DriverNamedCancelsFromAnotherThread(const char* driverName) {
    // psqlODBC's libraries: psqlodbcw.so, psqlodbca.so, by some driver managers with their folder.
    const char* const folderEnd = std::strrchr(driverName, '/');
    const char* const file = folderEnd != nullptr ? folderEnd + 1 : driverName;
    return std::strncmp(file, "psqlodbc", 8) == 0;
}

bool DriverCancelsFromAnotherThread(SQLHDBC connection) {
    SQLCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(connection, SQL_DRIVER_NAME, name, sizeof name, &length))) {
        return false;
    }
    return DriverNamedCancelsFromAnotherThread(reinterpret_cast<const char*>(name));
}

}  // namespace calvendra
