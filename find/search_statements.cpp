#include "find/search_statements.h"

#include <unicode/utf8.h>

#include "find/search_index.h"
#include "find/text_folding.h"
#include "store/sql_text.h"

namespace calvendra::find {

namespace {

constexpr char kLikeEscape = '!';
// The same escape as a clause of the statement.
constexpr char kEscapeClause[] = " escape '!'";

// The code points of a folded word with their bytes.
struct CodePoint {
    std::string_view bytes;
    CharacterTrust trust;
};

std::vector<CodePoint> CodePointsOf(std::string_view word) {
    std::vector<CodePoint> points;
    const auto* bytes = reinterpret_cast<const uint8_t*>(word.data());
    const auto length = static_cast<int32_t>(word.size());
    int32_t at = 0;
    while (at < length) {
        const int32_t start = at;
        UChar32 c = 0;
        U8_NEXT(bytes, at, length, c);
        points.push_back(
            {word.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)),
             c < 0 ? CharacterTrust::kOrganizerOnly : TrustOf(static_cast<char32_t>(c))});
    }
    return points;
}

bool Trusted(const CodePoint& point) {
    return point.trust != CharacterTrust::kOrganizerOnly;
}

bool IsAsciiLetter(const CodePoint& point) {
    return point.bytes.size() == 1 && point.bytes.front() >= 'a' && point.bytes.front() <= 'z';
}

// The searched columns of a table joined into one text, a blank between two: no word holds a
// blank, so none matches across two columns.
std::string JoinedColumns(const std::vector<const char*>& columns) {
    std::string joined = "(";
    for (const char* column : columns) {
        if (joined.size() > 1) {
            joined += " || ' ' || ";
        }
        joined += "coalesce(";
        joined += column;
        joined += ", '')";
    }
    return joined + ")";
}

// The condition that narrows to the rows whose searched columns may hold the word; empty when
// the database can narrow nothing for it.
std::string LikeCondition(const std::string& pattern, const std::vector<const char*>& columns,
                          Engine engine) {
    const std::string literal = "'" + EscapeQuotes(pattern) + "'";
    switch (engine) {
        case Engine::kSqlite: {
            // SQLite's LIKE ignores the case of ASCII letters; a column at a time is several times
            // faster than one joined text.
            std::string condition = "(";
            for (const char* column : columns) {
                if (condition.size() > 1) {
                    condition += " or ";
                }
                condition += column;
                condition += " like " + literal + kEscapeClause;
            }
            return condition + ")";
        }
        case Engine::kPostgres:
            return JoinedColumns(columns) + " ilike " + literal + kEscapeClause;
        case Engine::kOther:
            break;
    }
    return "lower(" + JoinedColumns(columns) + ") like " + literal + kEscapeClause;
}

// The condition that narrows to the rows whose index entry may hold every word with a phrase of
// its own; empty when no word has one.
std::string IndexCondition(const char* indexTable, const std::vector<std::string>& foldedWords,
                           const std::string& rangeCondition) {
    std::string query;
    for (const std::string& word : foldedWords) {
        for (const std::string& phrase : IndexPhrases(word)) {
            if (!query.empty()) {
                query += " AND ";
            }
            query += phrase;
        }
    }
    if (query.empty()) {
        return std::string();
    }
    // The range inside too: the index then reads only that stretch of its lists.
    return std::string("rowid in (select rowid from ") + indexTable + " where " + indexTable +
           " match '" + EscapeQuotes(query) + "'" +
           (rangeCondition.empty() ? std::string() : " and " + rangeCondition) + ")";
}

std::string SelectCandidates(const std::string& selectFrom, const char* idColumn,
                             const char* indexTable, const std::vector<const char*>& columns,
                             const std::vector<std::string>& foldedWords, Engine engine,
                             IndexUse index, const RowRange* range) {
    std::string statement = selectFrom;
    const char* joint = " where ";
    std::string rangeCondition;
    if (range != nullptr && engine == Engine::kSqlite) {
        rangeCondition =
            "rowid between " + std::to_string(range->first) + " and " + std::to_string(range->last);
        statement += joint + rangeCondition;
        joint = " and ";
    }
    // The index first: SQLite then reads only the rows it names, and tries the LIKE conditions
    // on them alone.
    if (index == IndexUse::kSearchIndex && engine == Engine::kSqlite) {
        const std::string condition = IndexCondition(indexTable, foldedWords, rangeCondition);
        if (!condition.empty()) {
            statement += joint + condition;
            joint = " and ";
        }
    }
    for (const std::string& word : foldedWords) {
        const std::string pattern = LikePattern(word);
        if (!pattern.empty()) {
            statement += joint;
            statement += LikeCondition(pattern, columns, engine);
            joint = " and ";
        }
    }
    statement += " order by ";
    statement += idColumn;
    return statement;
}

std::string SelectList(const std::vector<const char*>& leading,
                       const std::vector<const char*>& columns) {
    std::string list;
    for (const auto* names : {&leading, &columns}) {
        for (const char* column : *names) {
            if (!list.empty()) {
                list += ',';
            }
            list += column;
        }
    }
    return list;
}

}  // namespace

Engine EngineNamed(const std::string& dbmsName) {
    if (dbmsName == "SQLite") {
        return Engine::kSqlite;
    }
    if (dbmsName == "PostgreSQL") {
        return Engine::kPostgres;
    }
    return Engine::kOther;
}

const std::vector<const char*>& SearchedContactColumns() {
    // The list's own columns first: the found rows show them.
    static const std::vector<const char*> columns{"first_name",
                                                  "last_name",
                                                  "home_phone",
                                                  "home_email",
                                                  "business_email",
                                                  "business_phone",
                                                  "home_mobile",
                                                  "home_fax",
                                                  "business_fax",
                                                  "business_jobtitle",
                                                  "business_department",
                                                  "business_office",
                                                  "home_city",
                                                  "business_city",
                                                  "others"};
    return columns;
}

const std::vector<const char*>& SearchedScheduleColumns() {
    static const std::vector<const char*> columns{"schedule_subject", "schedule_text"};
    return columns;
}

std::string LikePattern(std::string_view foldedWord) {
    std::string pattern = "%";
    bool endsInWildcard = true;
    bool narrows = false;
    for (const CodePoint& point : CodePointsOf(foldedWord)) {
        if (!Trusted(point)) {
            // Any number of characters: a database that lowercases otherwise (PostgreSQL with
            // some collations turns one letter into two) still keeps the row.
            if (!endsInWildcard) {
                pattern += '%';
                endsInWildcard = true;
            }
            continue;
        }
        const char first = point.bytes.front();
        if (point.bytes.size() == 1 && (first == '%' || first == '_' || first == kLikeEscape)) {
            pattern += kLikeEscape;
        }
        pattern.append(point.bytes);
        endsInWildcard = false;
        narrows = true;
    }
    if (!narrows) {
        return std::string();
    }
    if (!endsInWildcard) {
        pattern += '%';
    }
    return pattern;
}

std::vector<std::string> IndexPhrases(std::string_view foldedWord) {
    // The trigram tokenizer folds the case of the text and of the phrase alike, by rules of its
    // own; for the characters the databases are trusted with, every text the organizer takes
    // holds the run as it is or with ASCII capitals, so the index finds it whatever those rules.
    // It also folds the two letters beyond ASCII that fold to an ASCII letter (the long s and the
    // Kelvin sign) as the organizer does, so every ASCII letter narrows here, even where LIKE
    // cannot be trusted with it (a test holds the tokenizer to that). One exception, in texts
    // that are not UTF-8, which the organizer never stores: the tokenizer reads stray
    // continuation bytes after a character as part of it, so a run that ends just before them is
    // not found there.
    constexpr std::size_t kShortestPhrase = 3;
    std::vector<std::string> phrases;
    std::string run;
    std::size_t runLength = 0;
    const auto endRun = [&] {
        if (runLength >= kShortestPhrase) {
            phrases.push_back("\"" + run + "\"");
        }
        run.clear();
        runLength = 0;
    };
    for (const CodePoint& point : CodePointsOf(foldedWord)) {
        if (!Trusted(point) && !IsAsciiLetter(point)) {
            endRun();
            continue;
        }
        if (point.bytes == "\"") {
            run += '"';
        }
        run.append(point.bytes);
        ++runLength;
    }
    endRun();
    return phrases;
}

bool IndexNarrows(const std::vector<std::string>& foldedWords, Engine engine, IndexUse index) {
    return index == IndexUse::kSearchIndex && engine == Engine::kSqlite &&
           !IndexCondition(kContactIndex, foldedWords, std::string()).empty();
}

std::string SelectContactCandidates(const std::vector<std::string>& foldedWords, Engine engine,
                                    IndexUse index, const RowRange* range) {
    const std::string selectFrom =
        "select " +
        SelectList({"contact_id",
                    "(select group_name from assist_group where "
                    "assist_group.group_id=assist_contactmaininfo.group_id)"},
                   SearchedContactColumns()) +
        " from assist_contactmaininfo";
    return SelectCandidates(selectFrom, "contact_id", kContactIndex, SearchedContactColumns(),
                            foldedWords, engine, index, range);
}

std::string SelectScheduleCandidates(const std::vector<std::string>& foldedWords, Engine engine,
                                     IndexUse index, const RowRange* range) {
    const std::string selectFrom =
        "select " +
        SelectList({"schedule_id",
                    "(select group_name from assist_group where "
                    "assist_group.group_id=assist_scheduleinfo.group_id)",
                    "remind", "remindtype", "remind_week", "remind_date", "remind_time"},
                   SearchedScheduleColumns()) +
        " from assist_scheduleinfo";
    return SelectCandidates(selectFrom, "schedule_id", kScheduleIndex, SearchedScheduleColumns(),
                            foldedWords, engine, index, range);
}

}  // namespace calvendra::find
