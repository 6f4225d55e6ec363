#pragma once

#include "store/db_connection.h"

namespace calvendra {

// The one connection of the running organizer. Empty until the view's first update creates it;
// then it lives until the process ends.
CDBConnection* ProcessConnection();

// Creates the process-wide connection to the organizer's data source (it does not connect) and
// returns it. A connection created before is replaced.
CDBConnection& CreateProcessConnection();

// Drops the process-wide connection; for tests that need the state before start-up again.
void ResetProcessConnection();

}  // namespace calvendra
