#include "store/sqlite_allocation.h"

#include <sqlite3.h>

#include <mutex>

namespace calvendra {

bool KeepNoSqliteMemoryStatistics() {
    static std::once_flag once;
    static bool taken = false;
    std::call_once(once, [] { taken = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK; });
    return taken;
}

}  // namespace calvendra
