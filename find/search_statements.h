#pragma once

#include <string>
#include <string_view>
#include <vector>

// The statements of a search: which contacts and schedules the database hands over as candidates
// for the typed words. The database only narrows; the organizer decides on every row it gets
// (search_matching.h), so that a search finds the same rows on every database. What the database
// is trusted with (text_folding.h, CharacterTrust) it narrows by; the rest it leaves to the
// organizer. Nothing typed reaches the statement but as the text of a quoted literal: quotes are
// doubled, and the LIKE patterns escape their wildcards with '!'.
namespace calvendra::find {

// The database system behind a connection, as far as a search cares.
enum class Engine {
    kSqlite,
    kPostgres,
    kOther,
};

// From the driver's SQL_DBMS_NAME.
Engine EngineNamed(const std::string& dbmsName);

// The contact columns a search looks in: names, e-mail addresses, phones and faxes, the mobile,
// the company's job title, department and office, both cities and the others text.
const std::vector<const char*>& SearchedContactColumns();
// The schedule columns: the subject and the text.
const std::vector<const char*>& SearchedScheduleColumns();

// The LIKE pattern ('%...%', escaped with '!', quotes not yet doubled) that narrows to the texts
// that may hold the folded word; empty when the database can be trusted with none of its
// characters, so that it would narrow nothing.
std::string LikePattern(std::string_view foldedWord);

// The phrases of a full-text query (SQLite's FTS5 with its trigram tokenizer) that narrow to the
// texts that may hold the folded word: each run of at least three characters the databases are
// trusted with, or ASCII letters, in double quotes (doubled within). Empty when the word has no
// such run: the index cannot narrow by fewer than three characters.
std::vector<std::string> IndexPhrases(std::string_view foldedWord);

// Whether the statements may narrow by the database's search index (search_index.h). On
// PostgreSQL the database picks its trigram index for the same statement by itself.
enum class IndexUse {
    kNone,
    kSearchIndex,
};

// Whether the statements for the folded words narrow by the search index, so that the database
// reads only the rows the index names rather than every row.
bool IndexNarrows(const std::vector<std::string>& foldedWords, Engine engine, IndexUse index);

// A stretch of a table's rows by SQLite's rowid, both ends included: a search that cannot be
// stopped inside its statement reads a table a stretch at a time, and looks between two whether
// a newer search came.
struct RowRange {
    long long first = 0;
    long long last = 0;
};

// The candidates among the contacts, and among the schedules, for the folded words, by id; only
// those within `range` on SQLite, when given. Their columns are named by ContactCandidateColumns
// and ScheduleCandidateColumns. With the search index the same LIKE conditions hold, and the
// index narrows before them, so that the database hands over the same rows either way.
std::string SelectContactCandidates(const std::vector<std::string>& foldedWords, Engine engine,
                                    IndexUse index, const RowRange* range = nullptr);
std::string SelectScheduleCandidates(const std::vector<std::string>& foldedWords, Engine engine,
                                     IndexUse index, const RowRange* range = nullptr);

struct ContactCandidateColumns {
    // Then the searched columns, in the order of SearchedContactColumns.
    enum : int { kContactId, kGroupName, kFirstSearched };
};
struct ScheduleCandidateColumns {
    enum : int {
        kScheduleId,
        kGroupName,
        kRemind,
        kRemindType,
        kRemindWeek,
        kRemindDate,
        kRemindTime,
        kFirstSearched,
    };
};

}  // namespace calvendra::find
