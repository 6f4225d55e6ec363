#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "exchange/icalendar_writing.h"
#include "exchange/progress.h"
#include "exchange/stored_groups.h"
#include "exchange/vcard_writing.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"

// What an export writes: the contacts or schedules of one group with the groups below it, or all
// of them, as the text of a vCard or an iCalendar file. Needs no window.
namespace calvendra::exchange {

struct ContactToWrite {
    Identifier contactId = 0;
    statements::ContactFields fields;
    std::string groupPath;
};

// Every stored contact (`group` empty) or those filed in the group or below it, with their group
// paths; empty, with the reason in `failure`, when they cannot be read.
std::optional<std::vector<ContactToWrite>> ReadContactsToWrite(CDBConnection& connection,
                                                               std::optional<Identifier> group,
                                                               OdbcDiagnostic& failure);

// The same for schedules, with their attendants' addresses (home, else business; attendants
// without either are left out and counted in `withoutAddress`).
std::optional<std::vector<ScheduleToWrite>> ReadSchedulesToWrite(CDBConnection& connection,
                                                                 std::optional<Identifier> group,
                                                                 int& withoutAddress,
                                                                 OdbcDiagnostic& failure);

// The text of a vCard file with these contacts, one card each.
std::string VCardFileOf(const std::vector<ContactToWrite>& contacts, VCardVersion version,
                        const Progress& progress);

// Today's date in the local calendar of `now`.
CivilDate LocalDateOf(std::time_t now);

}  // namespace calvendra::exchange
