#include "find/search_reading.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <map>
#include <numeric>
#include <optional>

#include "find/search_index.h"
#include "find/search_matching.h"
#include "store/db_result_set.h"
#include "store/query_rows.h"
#include "store/repeat_table.h"

namespace calvendra::find {

namespace {

// How many rows are read between two looks for a newer search.
constexpr std::size_t kRowsBetweenLooks = 256;
// How many rows of a table a stretch spans on SQLite, where a statement cannot be stopped while
// it runs: a scan of one stretch takes a few milliseconds even where nothing matches, and so does
// the wait of a newer search for it. A table whose rowids lie far apart is read in no more
// stretches than the most, each the wider.
constexpr unsigned long long kRowsPerStretch = 8192;
constexpr unsigned long long kMostStretches = 64;

// How a table is cut into stretches.
enum class Stretching {
    // One statement over the whole table: one that can be stopped where it runs.
    kNone,
    // Stretches of kRowsPerStretch: SQLite reading every row.
    kEven,
    // A first stretch of kRowsPerStretch, then the rest: SQLite narrowing by the search index,
    // which reads the index's lists of the words anew for each statement. Two statements keep
    // that cost low for a rare word, and the first, short one hands over the first screenful of
    // a word that most rows hold soon.
    kFirstThenRest,
};

// What the statements of one search share.
struct Reading {
    CDBConnection& connection;
    StatementCancellation& cancellation;
    const std::function<void(const ListedRows&)>& firstRows;
    FoundRows& found;
    SearchMatcher matcher;
    bool handedOver = false;

    // A row was found: once the rows fill a screen they are handed over.
    void Took() {
        if (!handedOver && firstRows && found.rows.Size() >= kFirstScreenful) {
            handedOver = true;
            firstRows(found.rows);
        }
    }
};

// Reads the candidates of one statement and keeps the rows the matcher takes; false when it
// stopped because it was cancelled.
template <class TakeRow>
bool ReadCandidates(Reading& reading, const std::string& statement, int firstSearched,
                    int searchedCount, TakeRow takeRow) {
    CDBResultSet results(reading.connection);
    // The result set looks for a cancellation before each block of rows it fetches.
    results.CancelWith(reading.cancellation);
    std::size_t sinceLook = 0;
    for (const ResultRow& row : QueryRows(results, statement)) {
        if (++sinceLook == kRowsBetweenLooks) {
            sinceLook = 0;
            if (reading.cancellation.Cancelled()) {
                return false;
            }
        }
        ++reading.found.candidates;
        reading.matcher.BeginRow();
        for (int column = firstSearched; column < firstSearched + searchedCount; ++column) {
            reading.matcher.AddText(results.ColumnText(column));
        }
        if (reading.matcher.RowMatches()) {
            takeRow(row, results);
            reading.Took();
        }
    }
    if (reading.cancellation.Cancelled()) {
        return false;
    }
    reading.found.failure = results.LastError();
    return true;
}

// The stretches by rowid that a table is read in; one of the whole table (no range) without
// stretching. None for an empty table.
std::vector<std::optional<RowRange>> StretchesOf(CDBConnection& connection, const char* table,
                                                 Stretching stretching, OdbcDiagnostic& failure) {
    if (stretching == Stretching::kNone) {
        return {std::nullopt};
    }
    CDBResultSet results(connection);
    if (!results.OpenQuery(std::string("select min(rowid), max(rowid) from ") + table)) {
        failure = results.LastError();
        return {};
    }
    const std::string least(results.ColumnText(0));
    const std::string most(results.ColumnText(1));
    if (least.empty() || most.empty()) {
        return {};
    }
    const long long first = std::strtoll(least.c_str(), nullptr, 10);
    const long long last = std::strtoll(most.c_str(), nullptr, 10);
    // Unsigned, so that rowids of both signs far apart do not overflow.
    const unsigned long long span =
        static_cast<unsigned long long>(last) - static_cast<unsigned long long>(first);
    const unsigned long long count = std::min(kMostStretches, span / kRowsPerStretch + 1);
    unsigned long long width =
        stretching == Stretching::kFirstThenRest ? kRowsPerStretch : span / count + 1;
    std::vector<std::optional<RowRange>> stretches;
    const auto rowid = [first](unsigned long long offset) {
        return static_cast<long long>(static_cast<unsigned long long>(first) + offset);
    };
    for (unsigned long long begin = 0;;) {
        const unsigned long long end = span - begin < width ? span : begin + width - 1;
        stretches.push_back(RowRange{rowid(begin), rowid(end)});
        if (end == span) {
            break;
        }
        begin = end + 1;
        if (stretching == Stretching::kFirstThenRest) {
            width = span - begin + 1;
        }
    }
    return stretches;
}

// Reads the candidates of a table a stretch at a time, looking for a cancellation between two;
// false when cancelled.
template <class Select, class TakeRow>
bool ReadTable(Reading& reading, const char* table, Stretching stretching, Select select,
               int firstSearched, int searchedCount, TakeRow takeRow) {
    OdbcDiagnostic failure;
    const std::vector<std::optional<RowRange>> stretches =
        StretchesOf(reading.connection, table, stretching, failure);
    if (!failure.Empty()) {
        reading.found.failure = std::move(failure);
        return !reading.cancellation.Cancelled();
    }
    for (const std::optional<RowRange>& stretch : stretches) {
        if (reading.cancellation.Cancelled()) {
            return false;
        }
        if (!ReadCandidates(reading, select(stretch ? &*stretch : nullptr), firstSearched,
                            searchedCount, takeRow)) {
            return false;
        }
        if (!reading.found.failure.Empty()) {
            return true;
        }
    }
    return true;
}

// The found rows from `begin` on in the order of their ids, as one statement over the whole
// table gives them: read a stretch at a time, rows whose ids do not follow their rowids (an id
// given by another program) come out of order.
void OrderByIdFrom(ListedRows& rows, std::size_t begin) {
    std::vector<std::size_t> order(rows.Size());
    std::iota(order.begin(), order.end(), 0);
    const auto byId = [&](std::size_t a, std::size_t b) { return rows.Id(a) < rows.Id(b); };
    if (std::is_sorted(order.begin() + static_cast<std::ptrdiff_t>(begin), order.end(), byId)) {
        return;
    }
    std::stable_sort(order.begin() + static_cast<std::ptrdiff_t>(begin), order.end(), byId);
    rows = rows.Reordered(order);
}

FoundRows ReadOnce(CDBConnection& connection, const std::vector<std::string>& words,
                   const ReminderWording& wording, StatementCancellation& cancellation,
                   const std::function<void(const ListedRows&)>& firstRows) {
    FoundRows found;
    found.words = words;
    if (words.empty()) {
        return found;
    }
    // A search that waited while the user typed on is given up before it costs anything.
    if (cancellation.Cancelled()) {
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
        Reading reading{connection, cancellation, firstRows, found, SearchMatcher(words)};
        // SQLite's statements cannot be stopped while they run, so they are cut into stretches.
        const Stretching stretching = engine != Engine::kSqlite ? Stretching::kNone
                                      : IndexNarrows(words, engine, index)
                                          ? Stretching::kFirstThenRest
                                          : Stretching::kEven;
        std::string name;
        using Contact = ContactCandidateColumns;
        const bool contactsRead = ReadTable(
            reading, "assist_contactmaininfo", stretching,
            [&](const RowRange* range) {
                return SelectContactCandidates(words, engine, index, range);
            },
            Contact::kFirstSearched, static_cast<int>(SearchedContactColumns().size()),
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
        const std::size_t contacts = found.rows.Size();
        OrderByIdFrom(found.rows, 0);
        // A repeating special day shows its rule, as in its group's list.
        const std::map<Identifier, RepeatRule> rules = LoadRepeatRules(connection, found.failure);
        if (!found.failure.Empty()) {
            return found;
        }
        using Schedule = ScheduleCandidateColumns;
        std::string reminder;
        const bool schedulesRead = ReadTable(
            reading, "assist_scheduleinfo", stretching,
            [&](const RowRange* range) {
                return SelectScheduleCandidates(words, engine, index, range);
            },
            Schedule::kFirstSearched, static_cast<int>(SearchedScheduleColumns().size()),
            [&](const ResultRow& row, CDBResultSet& results) {
                const Identifier scheduleId = row.Id(Schedule::kScheduleId);
                const auto rule = rules.find(scheduleId);
                // A weekday out of range shows as stored; the group's list says so when shown.
                ReminderText(row.Flag(Schedule::kRemind), row.Int(Schedule::kRemindType),
                             row.Int(Schedule::kRemindWeek),
                             results.ColumnText(Schedule::kRemindWeek),
                             results.ColumnText(Schedule::kRemindDate),
                             results.ColumnText(Schedule::kRemindTime), wording, reminder,
                             rule != rules.end() ? &rule->second : nullptr);
                found.rows.Add(scheduleId,
                               {results.ColumnText(Schedule::kFirstSearched), reminder,
                                std::string_view(), results.ColumnText(Schedule::kGroupName)});
            });
        found.superseded = !schedulesRead;
        if (!found.superseded) {
            OrderByIdFrom(found.rows, contacts);
        }
    } catch (const std::exception& failure) {
        found.failure = {std::string(), 0, failure.what()};
    }
    found.rows.ShrinkToFit();
    return found;
}

}  // namespace

FoundRows ReadFoundRows(CDBConnection& connection, const std::vector<std::string>& words,
                        const ReminderWording& wording, StatementCancellation& cancellation,
                        const std::function<void(const ListedRows&)>& firstRows) {
    FoundRows found = ReadOnce(connection, words, wording, cancellation, firstRows);
    // Stopped by a cancel request that was meant for an earlier search and reached the server
    // only as this one began: read again, once.
    if (!found.superseded && IsCancelState(found.failure.sqlState) && !cancellation.Cancelled()) {
        found = ReadOnce(connection, words, wording, cancellation, firstRows);
    }
    return found;
}

FoundRows ReadFoundRows(CDBConnection& connection, const std::vector<std::string>& words,
                        const ReminderWording& wording) {
    StatementCancellation never;
    return ReadFoundRows(connection, words, wording, never);
}

}  // namespace calvendra::find
