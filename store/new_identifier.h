#pragma once

#include <functional>
#include <optional>
#include <string>

#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

// The ids of new rows. A new contact, schedule or group takes an id above every stored id of its
// kind, within its kind's range; a row that another organizer on the same database stored under
// that id meanwhile is met with one more try above it.
namespace calvendra {

// The kinds of row that take new ids.
enum class IdKind { kContactGroup, kScheduleGroup, kContact, kSchedule };

struct IdRange {
    Identifier first;
    Identifier last;
};

// 1000000001 to 1999999999 for contact groups and contacts, 2000000001 to 2999999999 for schedule
// groups and schedules.
IdRange RangeOf(IdKind kind);

// "contact group", "schedule group", "contact", "schedule".
const char* NameOf(IdKind kind);

// The highest id of the kind stored in the database: in its own table's rows and, for groups and
// contacts, where other rows name one (a group's parent, an item's group, an attendant's
// contact), so that a new row never takes over what a deleted or never-saved one left behind.
// (Links left under a schedule id are cleared by the new schedule that takes it.) The kind's
// first id less one when none is stored. Empty, with the reason in `failure`, when it cannot be
// read.
std::optional<Identifier> ReadHighestStoredId(CDBConnection& connection, IdKind kind,
                                              OdbcDiagnostic& failure);

// The id above `highest` in the kind's range (its first id when `highest` lies below the range);
// empty when `highest` is the range's last id or beyond it.
std::optional<Identifier> IdAfter(IdKind kind, Identifier highest);

// The id for a new row: above `counter` (what this run handed out or read; a counter outside the
// kind's range does not count) and above ReadHighestStoredId. Empty when the range is used up.
// Stored ids that cannot be read leave the counter alone to decide, with the reason in the log:
// the insert then fails on its own, or meets a key conflict and reads them again.
std::optional<Identifier> NextNewId(CDBConnection& connection, IdKind kind, Identifier counter);

// What a command that needs a new id of the kind says when the range is used up.
std::string RangeUsedUpText(IdKind kind);

// Whether a statement failed because a row with its key is stored already: SQLSTATE class 23
// (integrity constraint violation), or, from the SQLite driver, which reports every failure as
// HY000, SQLite's constraint code with its message for a unique key.
bool IsKeyConflict(const OdbcDiagnostic& failure);

struct NewRowOutcome {
    // The id the row was stored under; 0 when it was not stored.
    Identifier id = 0;
    // Why it was not stored.
    OdbcDiagnostic failure;
    // Not stored because the kind has no id left above the stored ones.
    bool rangeUsedUp = false;

    bool Stored() const { return id != 0; }
};

// Runs what stores a new row and everything that belongs to it (in one transaction where that is
// several statements) for the id it is given, and gives why that failed, or empty.
using StoreUnderId = std::function<OdbcDiagnostic(Identifier id)>;

// Stores a new row of the kind under `proposed` (from NextNewId, usually before an editor opened
// with it). When that fails on a key conflict, the stored ids are read again and `store` runs
// once more with the next free id. No id outside the kind's range is ever tried.
NewRowOutcome StoreNewRow(CDBConnection& connection, IdKind kind, Identifier proposed,
                          const StoreUnderId& store);

}  // namespace calvendra
