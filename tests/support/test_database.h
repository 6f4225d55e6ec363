#pragma once

#include <string>
#include <vector>

namespace calvendra::testing {

enum class Backend { kSqlite, kPostgres };

const char* BackendName(Backend backend);

// Both backends; PostgreSQL is usable only when the test command started a cluster and exported
// CALVENDRA_TEST_PG_PORT.
std::vector<Backend> AllBackends();
bool PostgresAvailable();

using Rows = std::vector<std::vector<std::string>>;

// A fresh database made from data/schema.sql (four tables, two base groups) and registered in the
// process's ODBC sandbox as the data source "Calvendra", which is what the organizer opens with
// user opal and password kelp. The database goes when the object does.
//
// Execute and Query reach the database without the code under test (SQLite's C API, psql), so a
// test can prepare rows and check what was stored independently of what it tests.
class TestDatabase {
public:
    // What the driver manager once read of a data source can outlive a rewrite of odbc.ini in the
    // same process, the driver it names included, so one process uses one backend; ctest runs
    // every test in a process of its own. Throws when
    // the backend cannot be used in this process.
    explicit TestDatabase(Backend backend = Backend::kSqlite);

    // Whether this process can still make databases of this backend.
    static bool CanUse(Backend backend);
    ~TestDatabase();

    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    Backend GetBackend() const { return backend_; }

    // Runs statements; throws std::runtime_error when the database refuses them.
    void Execute(const std::string& sql) const;

    // Adds the search index, as the README's step does (data/search-index-sqlite.sql or
    // data/search-index-postgresql.sql): a database made without it is one made before it came.
    void AddSearchIndex() const;

    // Runs one query; NULL reads as empty text. Throws std::runtime_error on failure.
    Rows Query(const std::string& sql) const;

    // The first column of the first row, or empty when there is none.
    std::string QueryValue(const std::string& sql) const;

    // The first column of every row.
    std::vector<std::string> QueryColumn(const std::string& sql) const;

    // Makes the database refuse every `event` ("insert", "update" or "delete") on `table` for
    // which `condition` holds (in terms of old.<column> and new.<column>), as a constraint would:
    // the statement fails with "refused by the test". For tests of changes that fail half way.
    void RefuseWhere(const std::string& table, const std::string& event,
                     const std::string& condition);

    // Takes the database away while its data source still names it.
    void Remove();

    // SQLite only: the database file for tests that handle it directly.
    const std::string& FilePath() const { return filePath_; }

    // A shell command that opens an interactive session on the database, as another program
    // would: the sqlite3 shell on the file, or psql as the organizer's role.
    std::string ClientCommand() const;

    // Runs statements in that program, as another program writing the database would; throws
    // std::runtime_error when it refuses them.
    void ExecuteInClient(const std::string& sql) const;

private:
    void RegisterDataSource() const;

    Backend backend_;
    std::string filePath_;      // SQLite
    std::string databaseName_;  // PostgreSQL
    bool removed_ = false;
    int refusals_ = 0;
};

// Runs a command through /bin/sh; returns its exit status and fills `output` with what it printed
// on standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace calvendra::testing
