#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "store/db_connection.h"
#include "store/identifiers.h"

// The attendants of a schedule as the reminder settings offer them and hand them back. Needs no
// window.
namespace calvendra {

using AttendantSet = std::set<Identifier>;

struct AttendantCandidate {
    Identifier contactId = 0;
    std::string name;  // as the pickers name contacts
    std::string email;
    std::string group;
    bool ticked = false;
};

struct AttendantChoice {
    // Every stored contact in ascending order of id, one whose group row is missing with the base
    // group's name (ShownGroupName).
    std::vector<AttendantCandidate> listed;
    // Chosen attendants that the list does not show, because no contact has their id (one that
    // was deleted meanwhile), in ascending order. They stay attendants: nobody could untick them.
    std::vector<Identifier> unlisted;
};

// Reads the contacts with one query and ticks the attendants among them. The attendants are
// `chosen` when given (what an earlier confirmation in the same editing chose, or none for a new
// schedule), else the stored links of the schedule that name a stored contact, read with one more
// query. A query that fails lists or ticks nothing, and its reason goes to the log.
AttendantChoice LoadAttendantChoice(CDBConnection& connection, Identifier scheduleId,
                                    const std::optional<AttendantSet>& chosen);

// The link inserts that make exactly these contacts the schedule's attendants, in their order,
// once the schedule's links are deleted.
std::vector<std::string> AttendantStatements(Identifier scheduleId,
                                             const std::vector<Identifier>& attendants);

}  // namespace calvendra
