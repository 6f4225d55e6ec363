#pragma once

#include <sql.h>

#include <string>

namespace calvendra {

// What a failure says about the database as a whole, beyond the one call that failed.
enum class FailureKind {
    kOther,        // this call was refused (no such table, bad statement); others may work
    kBusy,         // another program holds a lock longer than the organizer waits for one
    kUnreachable,  // the connection is lost or cannot be made; it must be opened again
    kMissing,      // the database file was removed or moved away; it is opened once it is back
};

// Why a call into the store failed: the ODBC diagnostic of the failing handle (SQLSTATE, the
// driver's native code and its message), or, for a failure the store finds itself (no
// connection), a message alone. Empty when there is nothing to say.
struct OdbcDiagnostic {
    std::string sqlState;
    long nativeCode = 0;
    std::string message;
    FailureKind kind = FailureKind::kOther;

    bool Empty() const { return sqlState.empty() && message.empty(); }

    // "message (SQLSTATE 08001, native error 14)", or the message alone when the driver gave no
    // state; empty for an empty diagnostic.
    std::string Text() const;
};

// The diagnostic records the driver left on a handle: the state and native code of the first, and
// the messages of all of them, joined with "; ", with their kind. A null handle or a handle without
// records gives a diagnostic that says so, since the call that failed gave no reason.
OdbcDiagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle);

// The kind of a failure by what the driver said: SQLSTATE class 08 (and PostgreSQL's shutdown
// states) is a lost connection; the ODBC time-outs, PostgreSQL's lock and statement time-outs and
// deadlock, and SQLite's locked database are a busy one.
FailureKind KindOfFailure(const std::string& sqlState, long nativeCode, const std::string& message);

// The reason of a call that needs a connection made on one that is not connected.
inline OdbcDiagnostic NotConnected() {
    return {std::string(), 0, "not connected to the database"};
}

}  // namespace calvendra
