#include "find/search_reading.h"

#include <exception>
#include <optional>

#include "find/search_index.h"
#include "find/search_matching.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"

namespace calvendra::find {

namespace {

// How many rows are read between two looks for a newer search.
constexpr std::size_t kRowsBetweenLooks = 256;

// Reads the candidates of one statement and keeps the rows the matcher takes; false when it
// stopped for a newer search.
template <class TakeRow>
bool ReadCandidates(CDBConnection& connection, const std::string& statement, int firstSearched,
                    int searchedCount, SearchMatcher& matcher,
                    const std::function<bool()>& superseded, FoundRows& found, TakeRow takeRow) {
    CDBResultSet results(connection);
    std::size_t sinceLook = 0;
    for (const ResultRow& row : QueryRows(results, statement)) {
        if (++sinceLook == kRowsBetweenLooks) {
            sinceLook = 0;
            if (superseded && superseded()) {
                return false;
            }
        }
        ++found.candidates;
        matcher.BeginRow();
        for (int column = firstSearched; column < firstSearched + searchedCount; ++column) {
            matcher.AddText(results.ColumnText(column));
        }
        if (matcher.RowMatches()) {
            takeRow(row, results);
        }
    }
    found.failure = results.LastError();
    return true;
}

}  // namespace

FoundRows ReadFoundRows(CDBConnection& connection, const std::vector<std::string>& words,
                        const ReminderWording& wording, const std::function<bool()>& superseded) {
    FoundRows found;
    found.words = words;
    if (words.empty()) {
        return found;
    }
    // A search that waited while the user typed on is given up before it costs anything.
    if (superseded && superseded()) {
        found.superseded = true;
        return found;
    }
    try {
        if (!connection.IsConnected() && !connection.OpenConnection()) {
            found.failure = connection.LastError();
            return found;
        }
        const Engine engine = EngineNamed(connection.DbmsName());
        // Asked at each search, so that an index added meanwhile serves at once. A database that
        // cannot say is searched without it: the same rows, only slower.
        OdbcDiagnostic unknown;
        const std::optional<bool> indexed = HasSearchIndex(connection, engine, unknown);
        if (indexed == false) {
            NoteMissingSearchIndex();
        }
        const IndexUse index = indexed == true ? IndexUse::kSearchIndex : IndexUse::kNone;
        SearchMatcher matcher(words);
        std::string name;
        using Contact = ContactCandidateColumns;
        const bool contactsRead = ReadCandidates(
            connection, SelectContactCandidates(words, engine, index), Contact::kFirstSearched,
            static_cast<int>(SearchedContactColumns().size()), matcher, superseded, found,
            [&](const ResultRow& row, CDBResultSet& results) {
                // The searched columns begin with the list's own: names, home phone, e-mail.
                name.assign(results.ColumnText(Contact::kFirstSearched));
                name += ' ';
                name.append(results.ColumnText(Contact::kFirstSearched + 1));
                found.rows.Add(row.Id(Contact::kContactId),
                               {name, results.ColumnText(Contact::kFirstSearched + 2),
                                results.ColumnText(Contact::kFirstSearched + 3),
                                results.ColumnText(Contact::kGroupName)});
            });
        if (!contactsRead) {
            found.superseded = true;
            return found;
        }
        if (!found.failure.Empty()) {
            return found;
        }
        using Schedule = ScheduleCandidateColumns;
        std::string reminder;
        const bool schedulesRead = ReadCandidates(
            connection, SelectScheduleCandidates(words, engine, index), Schedule::kFirstSearched,
            static_cast<int>(SearchedScheduleColumns().size()), matcher, superseded, found,
            [&](const ResultRow& row, CDBResultSet& results) {
                // A weekday out of range shows as stored; the group's list says so when shown.
                ReminderText(row.Flag(Schedule::kRemind), row.Int(Schedule::kRemindType),
                             row.Int(Schedule::kRemindWeek),
                             results.ColumnText(Schedule::kRemindWeek),
                             results.ColumnText(Schedule::kRemindDate),
                             results.ColumnText(Schedule::kRemindTime), wording, reminder);
                found.rows.Add(row.Id(Schedule::kScheduleId),
                               {results.ColumnText(Schedule::kFirstSearched), reminder,
                                std::string_view(), results.ColumnText(Schedule::kGroupName)});
            });
        found.superseded = !schedulesRead;
    } catch (const std::exception& failure) {
        found.failure = {std::string(), 0, failure.what()};
    }
    found.rows.ShrinkToFit();
    return found;
}

}  // namespace calvendra::find
