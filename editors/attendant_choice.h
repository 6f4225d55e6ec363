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
    // Every contact whose group is stored, in the order of the contacts query.
    std::vector<AttendantCandidate> listed;
    // Attendants that the list cannot show, because their contact's group row is missing, in
    // ascending order. They stay attendants: nobody could untick them.
    std::vector<Identifier> unlisted;
};

// Reads the contacts with one query and ticks the attendants among them. The attendants are
// `chosen` when given (what an earlier confirmation in the same editing chose), else the stored
// links of the schedule that name a stored contact, read with one more query. A query that fails
// lists or ticks nothing, and its reason goes to the log.
AttendantChoice LoadAttendantChoice(CDBConnection& connection, Identifier scheduleId,
                                    const std::optional<AttendantSet>& chosen);

// The link inserts that make exactly these contacts the schedule's attendants, in their order,
// once the schedule's links are deleted.
std::vector<std::string> AttendantStatements(Identifier scheduleId,
                                             const std::vector<Identifier>& attendants);

}  // namespace calvendra
