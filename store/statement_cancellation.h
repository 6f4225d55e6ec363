#pragma once

#include <sql.h>

#include <mutex>

namespace calvendra {

// Lets one thread stop a statement that another thread is running on its connection: the reading
// thread registers the statement handle for as long as the statement runs, and the window thread
// cancels it (SQLCancel, which ODBC allows from another thread). The mutex keeps the handle alive
// while it is being cancelled: the reading thread cannot withdraw and free it meanwhile.
//
// A cancellation that comes between two calls is seen by the result set before its next call; one
// that comes at the very moment a call begins may find nothing to stop, and cancelling again
// stops it.
//
// One token serves one piece of work. Once cancelled it stays so: a statement registered later is
// refused, so that work cancelled before its statement began does not begin it.
class StatementCancellation {
public:
    StatementCancellation() = default;
    StatementCancellation(const StatementCancellation&) = delete;
    StatementCancellation& operator=(const StatementCancellation&) = delete;

    // Cancels the registered statement, if any, and every later one. Any thread.
    void Cancel();

    bool Cancelled() const;

    // Whether a statement is registered now.
    bool Running() const;

    // The statement about to run; false (and nothing registered) when the work was cancelled.
    bool Register(SQLHSTMT statement);

    // The statement stops running or is about to be freed.
    void Withdraw(SQLHSTMT statement);

private:
    mutable std::mutex mutex_;
    SQLHSTMT running_ = SQL_NULL_HSTMT;
    bool cancelled_ = false;
};

}  // namespace calvendra
