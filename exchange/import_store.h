#pragma once

#include "exchange/import_plan.h"
#include "exchange/progress.h"
#include "store/db_connection.h"
#include "store/odbc_diagnostic.h"

namespace calvendra::exchange {

struct ImportOutcome {
    bool stored = false;
    bool cancelled = false;
    // Why nothing was stored, when the database refused.
    OdbcDiagnostic failure;
    int groups = 0;
    int contacts = 0;
    int schedules = 0;
};

// Stores the plan as one change: the new groups, the contacts, the schedules with their
// attendant links, under ids above every stored one of their kinds. All of it or, when the
// database refuses or the work is cancelled, nothing. When another organizer took one of the
// ids meanwhile, the change runs once more with fresh ids.
ImportOutcome StoreImport(CDBConnection& connection, const ImportPlan& plan,
                          const Progress& progress);

}  // namespace calvendra::exchange
