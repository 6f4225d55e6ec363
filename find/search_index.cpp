#include "find/search_index.h"

#include <atomic>
#include <string>

#include "platform/log.h"
#include "store/db_result_set.h"

namespace calvendra::find {

namespace {

// Counts the parts of the index that are there; the statement names them all.
struct IndexLookUp {
    const char* statement;
    const char* parts;
};

std::optional<IndexLookUp> LookUpFor(Engine engine) {
    switch (engine) {
        case Engine::kSqlite:
            return IndexLookUp{
                "select count(*) from sqlite_master where name in ('contact_search',"
                "'contact_search_insert','contact_search_delete','contact_search_update',"
                "'schedule_search','schedule_search_insert','schedule_search_delete',"
                "'schedule_search_update')",
                "8"};
        case Engine::kPostgres:
            return IndexLookUp{
                "select count(*) from pg_indexes where indexname in "
                "('assist_contactmaininfo_search','assist_scheduleinfo_search')",
                "2"};
        case Engine::kOther:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<bool> HasSearchIndex(CDBConnection& connection, Engine engine,
                                   OdbcDiagnostic& failure) {
    failure = {};
    const std::optional<IndexLookUp> lookUp = LookUpFor(engine);
    if (!lookUp) {
        return std::nullopt;
    }
    CDBResultSet results(connection);
    if (!results.OpenQuery(lookUp->statement)) {
        failure = results.LastError();
        return std::nullopt;
    }
    return results.ColumnText(0) == lookUp->parts;
}

void NoteMissingSearchIndex() {
    static std::atomic<bool> noted{false};
    if (noted.exchange(true)) {
        return;
    }
    LogWarning(
        "The search finds every contact and schedule that holds the typed words, but reads every "
        "row to do so: the database has no search index. The README's step \"Adding the newer "
        "tables to an existing database\" adds it.");
}

}  // namespace calvendra::find
