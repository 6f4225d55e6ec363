#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

namespace calvendra {

// One group as stored.
struct GroupRow {
    Identifier id = 0;
    Identifier parentId = 0;
    std::string name;
};

// The groups of both hierarchies, each in the order of its query (parent, then group id).
struct GroupTreeReading {
    std::vector<GroupRow> contactGroups;
    std::vector<GroupRow> scheduleGroups;
    // Why the groups could not be read; empty when they could.
    OdbcDiagnostic failure;
    // Of every group read: two readings of the same groups have the same fingerprint, and two of
    // different groups, to all practical purposes, different ones.
    std::uint64_t fingerprint = 0;
};

// Reads both hierarchies, the contact groups first; the schedule groups are not read when the
// contact groups could not be. Touches nothing but the connection, so it may run on any thread
// that owns it. Never throws.
GroupTreeReading ReadGroupTree(CDBConnection& connection);

// The groups of one hierarchy that the tree shows, in the order it places them: a group whose
// parent is 0 at the top level, any other one under its parent when the parent was placed before
// it; a group whose parent was not placed before it is not shown (its id still counts).
std::vector<const GroupRow*> ShownGroups(const std::vector<GroupRow>& rows);

}  // namespace calvendra
