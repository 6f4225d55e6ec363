#include "tests/support/test_database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

#include "tests/support/odbc_sandbox.h"

namespace calvendra::testing {

namespace {

constexpr char kFieldSeparator = '\x1f';
constexpr char kRowSeparator = '\x1e';

std::string PostgresPort() {
    const char* port = std::getenv("CALVENDRA_TEST_PG_PORT");
    return port == nullptr ? std::string() : std::string(port);
}

// psql as the organizer's role, on the test cluster, with the given database.
std::string Psql(const std::string& database) {
    return "PGPASSWORD=kelp psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " + PostgresPort() +
           " -U opal -d " + database;
}

void RunPsqlFile(const std::string& database, const std::string& sql, const std::string& flags,
                 std::string* output) {
    const std::string file = OdbcSandbox::Get().NewFilePath(".sql");
    WriteFileText(file, sql);
    std::string printed;
    const int status = RunCommand(Psql(database) + " " + flags + " -f " + file + " 2>&1", &printed);
    std::remove(file.c_str());
    if (status != 0) {
        throw std::runtime_error("psql failed: " + printed);
    }
    if (output != nullptr) {
        *output = printed;
    }
}

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

SqliteHandle OpenSqlite(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    SqliteHandle handle(db);
    if (rc != SQLITE_OK) {
        throw std::runtime_error("cannot open " + path + ": " + sqlite3_errstr(rc));
    }
    // The organizer's threads and processes may hold the lock for a moment (the mail queue writes
    // while a test looks): the test waits for it as the organizer itself would, if longer.
    sqlite3_busy_timeout(db, 10000);
    return handle;
}

}  // namespace

const char* BackendName(Backend backend) {
    return backend == Backend::kSqlite ? "SQLite" : "PostgreSQL";
}

std::vector<Backend> AllBackends() {
    return {Backend::kSqlite, Backend::kPostgres};
}

bool PostgresAvailable() {
    return !PostgresPort().empty();
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return -1;
    }
    std::string printed;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        printed.append(buffer, n);
    }
    const int status = pclose(pipe);
    if (output != nullptr) {
        *output = printed;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

namespace {

// The backend this process has used so far, if any.
std::optional<Backend>& ProcessBackend() {
    static std::optional<Backend> backend;
    return backend;
}

}  // namespace

bool TestDatabase::CanUse(Backend backend) {
    return !ProcessBackend() || *ProcessBackend() == backend;
}

TestDatabase::TestDatabase(Backend backend) : backend_(backend) {
    if (!CanUse(backend)) {
        throw std::runtime_error("this process already used the other database backend");
    }
    ProcessBackend() = backend;
    const std::string schema = ReadFileText(CALVENDRA_SCHEMA_FILE);
    if (schema.empty()) {
        throw std::runtime_error("cannot read the schema " CALVENDRA_SCHEMA_FILE);
    }
    OdbcSandbox& sandbox = OdbcSandbox::Get();
    if (backend_ == Backend::kSqlite) {
        filePath_ = sandbox.NewFilePath(".db");
        SqliteHandle db = OpenSqlite(filePath_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        char* error = nullptr;
        if (sqlite3_exec(db.get(), schema.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error != nullptr ? error : "unknown error";
            sqlite3_free(error);
            throw std::runtime_error("schema failed on SQLite: " + message);
        }
    } else {
        if (!PostgresAvailable()) {
            throw std::runtime_error("no PostgreSQL cluster: CALVENDRA_TEST_PG_PORT is not set");
        }
        static int counter = 0;
        databaseName_ = "calvendra_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        RunPsqlFile("postgres", "create database " + databaseName_ + ";", "", nullptr);
        RunPsqlFile(databaseName_, schema, "", nullptr);
    }
    RegisterDataSource();
}

void TestDatabase::AddSearchIndex() const {
    const char* file = backend_ == Backend::kSqlite
                           ? CALVENDRA_SOURCE_DIR "/data/search-index-sqlite.sql"
                           : CALVENDRA_SOURCE_DIR "/data/search-index-postgresql.sql";
    const std::string statements = ReadFileText(file);
    if (statements.empty()) {
        throw std::runtime_error(std::string("cannot read ") + file);
    }
    Execute(statements);
}

TestDatabase::~TestDatabase() {
    try {
        if (backend_ == Backend::kSqlite) {
            std::remove(filePath_.c_str());
        } else if (!removed_) {
            RunPsqlFile("postgres", "drop database if exists " + databaseName_ + " with (force);",
                        "", nullptr);
        }
    } catch (const std::exception&) {
        // A database left behind in a throwaway cluster harms nothing.
    }
}

void TestDatabase::RegisterDataSource() const {
    OdbcSandbox::DataSource source{"Calvendra", {}};
    if (backend_ == Backend::kSqlite) {
        source.attributes = {{"Driver", "Calvendra SQLite3"},
                             {"Database", filePath_},
                             {"StepAPI", "0"},
                             {"NoCreat", "1"}};
    } else {
        // The driver reads a whole result when a query opens (UseDeclareFetch off), which is what
        // lets several result sets stay open on one connection while statements run on it.
        source.attributes = {
            {"Driver", "PostgreSQL Unicode"}, {"Servername", "127.0.0.1"}, {"Port", PostgresPort()},
            {"Database", databaseName_},      {"Username", "opal"},        {"Password", "kelp"},
            {"UseDeclareFetch", "0"}};
    }
    OdbcSandbox::Get().WriteDataSources({source});
}

void TestDatabase::Execute(const std::string& sql) const {
    if (backend_ == Backend::kPostgres) {
        RunPsqlFile(databaseName_, sql, "", nullptr);
        return;
    }
    SqliteHandle db = OpenSqlite(filePath_, SQLITE_OPEN_READWRITE);
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error("SQLite refused \"" + sql + "\": " + message);
    }
}

Rows TestDatabase::Query(const std::string& sql) const {
    Rows rows;
    if (backend_ == Backend::kPostgres) {
        std::string output;
        RunPsqlFile(databaseName_, sql, "-A -t -F \"$(printf '\\037')\" -R \"$(printf '\\036')\"",
                    &output);
        // psql ends its output with a line feed after the last row.
        if (!output.empty() && output.back() == '\n') {
            output.pop_back();
        }
        if (output.empty()) {
            return rows;
        }
        std::size_t rowStart = 0;
        for (;;) {
            const std::size_t rowEnd = output.find(kRowSeparator, rowStart);
            const std::string row = output.substr(rowStart, rowEnd - rowStart);
            std::vector<std::string> fields;
            std::size_t fieldStart = 0;
            for (;;) {
                const std::size_t fieldEnd = row.find(kFieldSeparator, fieldStart);
                fields.push_back(row.substr(fieldStart, fieldEnd - fieldStart));
                if (fieldEnd == std::string::npos) {
                    break;
                }
                fieldStart = fieldEnd + 1;
            }
            rows.push_back(fields);
            if (rowEnd == std::string::npos) {
                break;
            }
            rowStart = rowEnd + 1;
        }
        return rows;
    }
    SqliteHandle db = OpenSqlite(filePath_, SQLITE_OPEN_READONLY);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        throw std::runtime_error("SQLite refused \"" + sql + "\": " + sqlite3_errmsg(db.get()));
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        std::vector<std::string> fields;
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            const unsigned char* text = sqlite3_column_text(raw, i);
            fields.emplace_back(text == nullptr ? "" : reinterpret_cast<const char*>(text),
                                static_cast<std::size_t>(sqlite3_column_bytes(raw, i)));
        }
        rows.push_back(fields);
    }
    if (rc != SQLITE_DONE) {
        throw std::runtime_error("SQLite failed on \"" + sql + "\": " + sqlite3_errmsg(db.get()));
    }
    return rows;
}

std::string TestDatabase::QueryValue(const std::string& sql) const {
    const Rows rows = Query(sql);
    return rows.empty() || rows.front().empty() ? std::string() : rows.front().front();
}

std::string TestDatabase::ClientCommand() const {
    if (backend_ == Backend::kSqlite) {
        return "sqlite3 -batch '" + filePath_ + "'";
    }
    return Psql(databaseName_);
}

void TestDatabase::ExecuteInClient(const std::string& sql) const {
    const std::string file = OdbcSandbox::Get().NewFilePath(".sql");
    WriteFileText(file, sql);
    // The shell stops at the first refused statement only when asked to.
    const std::string stop = backend_ == Backend::kSqlite ? " -bail" : "";
    std::string printed;
    const int status = RunCommand(ClientCommand() + stop + " < " + file + " 2>&1", &printed);
    std::remove(file.c_str());
    if (status != 0) {
        throw std::runtime_error("the client program refused \"" + sql + "\": " + printed);
    }
}

std::vector<std::string> TestDatabase::QueryColumn(const std::string& sql) const {
    std::vector<std::string> values;
    for (const auto& row : Query(sql)) {
        values.push_back(row.empty() ? std::string() : row.front());
    }
    return values;
}

void TestDatabase::RefuseWhere(const std::string& table, const std::string& event,
                               const std::string& condition) {
    const std::string name = "refuse_" + std::to_string(++refusals_);
    if (backend_ == Backend::kSqlite) {
        Execute("create trigger " + name + " before " + event + " on " + table +
                " for each row when " + condition +
                " begin select raise(abort, 'refused by the test'); end;");
        return;
    }
    Execute(
        "create or replace function calvendra_refuse() returns trigger as $$ begin "
        "raise exception 'refused by the test'; end $$ language plpgsql;"
        "create trigger " +
        name + " before " + event + " on " + table + " for each row when (" + condition +
        ") execute function calvendra_refuse();");
}

void TestDatabase::Remove() {
    if (backend_ == Backend::kSqlite) {
        std::remove(filePath_.c_str());
    } else {
        RunPsqlFile("postgres", "drop database if exists " + databaseName_ + " with (force);", "",
                    nullptr);
    }
    removed_ = true;
}

}  // namespace calvendra::testing
