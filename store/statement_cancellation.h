#pragma once

#include <sql.h>

#include <memory>
#include <mutex>

namespace calvendra {

// Lets one thread stop a statement that another thread is running on its connection: the reading
// thread registers the statement handle for as long as the statement runs, and the window thread
// cancels the work. The mutex keeps the handle alive while it is being cancelled: the reading
// thread cannot withdraw and free it meanwhile.
//
// Only a driver that cancels safely from another thread has its statement stopped where it runs
// (DriverCancelsFromAnotherThread): PostgreSQL's sends the server a cancel request over a
// connection of its own. The SQLite driver frees the statement's data on the cancelling thread
// while the running one still uses it, so there, and with any driver not known to be safe, the
// work only sees the token cancelled between its calls: the result set before each block of
// rows, a long search between the ranges of rows it reads.
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

    // Cancels the work: its registered statement, where the driver allows, and every later one.
    // Any thread; it waits for the driver's cancel request (see CancelWithoutWaiting).
    void Cancel();

    // Cancels the work at once, like Cancel, but leaves the driver's cancel of a running
    // statement to the caller; true when one is wanted.
    bool CancelLeavingStatement();

    bool Cancelled() const;

    // Whether a statement is registered now.
    bool Running() const;

    // The statement about to run, stopped in place by Cancel when `cancelInPlace`; false (and
    // nothing registered) when the work was cancelled.
    bool Register(SQLHSTMT statement, bool cancelInPlace);

    // The statement stops running or is about to be freed.
    void Withdraw(SQLHSTMT statement);

private:
    mutable std::mutex mutex_;
    SQLHSTMT running_ = SQL_NULL_HSTMT;
    bool cancelInPlace_ = false;
    bool cancelled_ = false;
};

// Cancels the work without waiting for the database: the token is cancelled before this returns,
// and a statement that the driver stops in place is stopped from a short-lived thread of its own.
// PostgreSQL's driver sends its cancel request over a new connection to the server, which a slow
// or broken network makes slow; the window thread must not wait for it.
void CancelWithoutWaiting(const std::shared_ptr<StatementCancellation>& cancellation);

// Whether the connection's driver stops a statement safely when another thread cancels it
// (SQLCancel): decided by the driver's own name (SQL_DRIVER_NAME), so that no setting can make
// the organizer cancel where the driver would corrupt its memory. Only PostgreSQL's driver.
bool DriverCancelsFromAnotherThread(SQLHDBC connection);

// The decision by that name alone ("psqlodbcw.so", "sqlite3odbc.so").
bool DriverNamedCancelsFromAnotherThread(const char* driverName);

}  // namespace calvendra
