#pragma once

#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// One change of several statements, stored whole or not at all. While it lives, the connection
// runs in manual commit: what runs on the connection is kept by Commit(), and taken back when the
// transaction goes without one (or when its commit fails). Result sets open on the connection keep
// their rows through both.
//
// Nothing may wait for the user while a transaction is open: the reminder scan runs in every
// modal loop, on the same connection.
class CDBTransaction {
public:
    // Switches the connection to manual commit. When that fails, IsOpen() is false and LastError()
    // says why; nothing must then run as part of the change.
    explicit CDBTransaction(CDBConnection& connection);
    // Takes back what was not committed, and returns the connection to automatic commit.
    ~CDBTransaction();

    CDBTransaction(const CDBTransaction&) = delete;
    CDBTransaction& operator=(const CDBTransaction&) = delete;

    bool IsOpen() const { return open_; }

    // Keeps everything that ran since the transaction began. False, with the reason in
    // LastError(), when the database refused: the change is then taken back.
    bool Commit();

    // Why the transaction could not begin or commit; empty while all went well.
    const OdbcDiagnostic& LastError() const { return lastError_; }

private:
    // Ends the transaction with a commit or a rollback and returns to automatic commit; empty
    // when the database did both.
    OdbcDiagnostic End(bool commit);

    CDBConnection& connection_;
    bool open_ = false;
    OdbcDiagnostic lastError_;
};

// Runs the statements in their order as one change: the first that fails stops the rest, and
// everything before it is taken back. Empty when all ran and were committed; otherwise why not.
OdbcDiagnostic RunAsOneChange(CDBConnection& connection,
                              const std::vector<std::string>& statements);

}  // namespace calvendra
