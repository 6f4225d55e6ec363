#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "find/search_statements.h"
#include "store/db_connection.h"
#include "store/identifiers.h"
#include "store/odbc_diagnostic.h"
#include "store/statement_cancellation.h"
#include "view/list_reading.h"
#include "view/listed_rows.h"

namespace calvendra::find {

// The columns of the found rows: a contact's name, home phone and e-mail, or a schedule's subject,
// its reminder and nothing; then the item's group.
inline constexpr int kFoundColumns = 4;

// What a search found: every contact, then every schedule, whose searched texts hold all the
// words, by id.
struct FoundRows {
    // The folded words searched for.
    std::vector<std::string> words;
    ListedRows rows{kFoundColumns};
    // Why the rows could not be read (or ended early); empty when they could.
    OdbcDiagnostic failure;
    // Given up because it was cancelled (a newer search came); the rows are then incomplete.
    bool superseded = false;
    // How many rows the database handed over for the organizer to decide on.
    std::size_t candidates = 0;
};

// How many found rows fill a screen of the list, and more: the first ones handed over early.
inline constexpr std::size_t kFirstScreenful = 200;

// Reads the contacts and schedules that hold all the folded words (SearchWords), with the texts
// the list shows. Touches nothing but the connection, so it runs on the reading thread. Never
// throws.
//
// Once `cancellation` is cancelled, from any thread, the reading stops: inside its statement
// where the driver allows that, otherwise between blocks of rows and, on SQLite, between the
// stretches of rows it reads each table in. A statement that a cancellation meant for an earlier
// search hit is read again. `firstRows`, when given, is handed the rows found so far once they
// fill a screen (kFirstScreenful), on the reading thread, while the rest are read.
FoundRows ReadFoundRows(CDBConnection& connection, const std::vector<std::string>& words,
                        const ReminderWording& wording, StatementCancellation& cancellation,
                        const std::function<void(const ListedRows&)>& firstRows = {});

// The same for a search that nothing cancels.
FoundRows ReadFoundRows(CDBConnection& connection, const std::vector<std::string>& words,
                        const ReminderWording& wording);

}  // namespace calvendra::find
