#include "find/search_statements.h"

#include <unicode/utf8.h>

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

std::string SelectCandidates(const std::string& selectFrom, const char* idColumn,
                             const std::vector<const char*>& columns,
                             const std::vector<std::string>& foldedWords, Engine engine) {
    std::string statement = selectFrom;
    const char* joint = " where ";
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

std::string SelectContactCandidates(const std::vector<std::string>& foldedWords, Engine engine) {
    const std::string selectFrom =
        "select " +
        SelectList({"contact_id",
                    "(select group_name from assist_group where "
                    "assist_group.group_id=assist_contactmaininfo.group_id)"},
                   SearchedContactColumns()) +
        " from assist_contactmaininfo";
    return SelectCandidates(selectFrom, "contact_id", SearchedContactColumns(), foldedWords,
                            engine);
}

std::string SelectScheduleCandidates(const std::vector<std::string>& foldedWords, Engine engine) {
    const std::string selectFrom =
        "select " +
        SelectList({"schedule_id",
                    "(select group_name from assist_group where "
                    "assist_group.group_id=assist_scheduleinfo.group_id)",
                    "remind", "remindtype", "remind_week", "remind_date", "remind_time"},
                   SearchedScheduleColumns()) +
        " from assist_scheduleinfo";
    return SelectCandidates(selectFrom, "schedule_id", SearchedScheduleColumns(), foldedWords,
                            engine);
}

}  // namespace calvendra::find
