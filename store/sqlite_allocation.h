#pragma once

namespace calvendra {

// The SQLite driver allocates every value it hands out through SQLite's allocator, which by
// default counts each allocation in process-wide statistics under a lock of its own: a read of a
// million rows takes millions of those locks, and the reading thread and the window thread meet
// on them. Nothing in the organizer reads the statistics, so SQLite is told not to keep them.
//
// SQLite takes this only before it first starts in the process: the first connection asks for it
// (CDBConnection), before the driver starts SQLite. True when SQLite took it; false when SQLite had
// started already (another user of SQLite in the process came first), which changes nothing else.
bool KeepNoSqliteMemoryStatistics();

}  // namespace calvendra
