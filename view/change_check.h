#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "store/change_mark.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "view/group_tree_reading.h"
#include "view/list_reading.h"

namespace calvendra {

// What the window shows, as a look for changes takes it along to the reading thread: for the
// groups and for the rows, the mark of the database they were read under (or last found up to
// date with) and their fingerprint.
struct ShownData {
    ChangeMark treeMark;
    std::uint64_t treeFingerprint = 0;
    // The group whose rows the list shows; 0 for none.
    Identifier listedGroupId = 0;
    ChangeMark listMark;
    std::uint64_t listFingerprint = 0;
    // A refresh asked for by the user: the groups and the rows are read and handed back whatever
    // the mark says.
    bool refresh = false;
};

// What a look found.
struct ChangeCheck {
    ChangeMark mark;
    // Why the look could not be completed; empty when it could.
    OdbcDiagnostic failure;
    // The group whose rows were looked at (ShownData::listedGroupId); 0 for none.
    Identifier listedGroupId = 0;
    // The groups and the rows, each when they differ from what is shown (or on a refresh).
    std::optional<GroupTreeReading> tree;
    std::optional<ListReading> list;
    // How often the reading connection has opened its database file again (replaced, or back
    // after it was missing), and that file; empty for a database server.
    unsigned long fileReopenCount = 0;
    std::string databaseFile;
    // How long the look took on the reading thread.
    std::chrono::steady_clock::duration took{};
};

// Looks whether anything shown has changed in the database: reads the mark, and only where it is
// not the one the groups or the rows were read under (or on a refresh) reads them again; they
// come back when their fingerprints differ from the shown ones, the rows with the look's mark.
// Without a failure, everything shown is then up to date with the look's mark. Touches nothing
// but the connection, so it runs on the reading thread. Never throws.
ChangeCheck LookForChanges(CDBConnection& connection, const ShownData& shown,
                           const ReminderWording& wording);

}  // namespace calvendra
