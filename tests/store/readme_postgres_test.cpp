// The README's steps for PostgreSQL, followed word for word on a server of the test's own that
// starts without the organizer's role or database, as a user would run them from the source
// folder; then the organizer's store opens its database through the data source they made. Only
// the port in the data source is the test server's.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/organizer_database.h"
#include "store/statements.h"
#include "tests/support/odbc_sandbox.h"
#include "tests/support/postgres_cluster.h"
#include "tests/support/test_database.h"

namespace calvendra {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileText;
using testing::RunCommand;
using testing::WriteFileText;

// The README's text under a heading, up to the next heading of the same level.
std::string ReadmeSection(const std::string& heading) {
    const std::string readme = ReadFileText(CALVENDRA_SOURCE_DIR "/README.md");
    const std::size_t start = readme.find("\n## " + heading + "\n");
    if (start == std::string::npos) {
        return std::string();
    }
    const std::size_t end = readme.find("\n## ", start + 1);
    return readme.substr(start, end == std::string::npos ? end : end - start);
}

// The shell code blocks of a piece of Markdown, one after the other.
std::string ShellBlocks(const std::string& markdown) {
    std::string code;
    const std::string open = "```sh\n";
    for (std::size_t at = markdown.find(open); at != std::string::npos;
         at = markdown.find(open, at)) {
        at += open.size();
        const std::size_t close = markdown.find("```\n", at);
        code += markdown.substr(at, close - at);
        at = close;
    }
    return code;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(ReadmePostgres, TheStepsGiveTheOrganizerADatabaseOfItsRoleAndKeepThePasswordToItsUser) {
    if (!testing::PostgresAvailable()) {
        GTEST_SKIP() << "no PostgreSQL for this test run: CALVENDRA_TEST_PG_PORT is not set";
    }
    const testing::PostgresCluster server(testing::PostgresCluster::Roles::kNone);
    std::string pattern = fs::temp_directory_path() / "calvendra-readme.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string folder = pattern;
    const std::string home = folder + "/home";
    fs::create_directories(home);
    fs::create_directories(folder + "/odbc");
    fs::create_directories(folder + "/bin");
    // The driver entry as Debian's odbc-postgresql registers it.
    WriteFileText(folder + "/odbc/odbcinst.ini",
                  "[PostgreSQL Unicode]\nDescription=PostgreSQL ODBC driver (Unicode version)\n"
                  "Driver=psqlodbcw.so\n");
    WriteFileText(folder + "/odbc/odbc.ini", "");
    // "sudo -u postgres <command>": the command as the server's superuser, which the server of
    // the test trusts on its socket.
    WriteFileText(folder + "/bin/sudo",
                  "#!/bin/sh\n[ \"$1\" = -u ] || exit 2\nuser=$2\nshift 2\n"
                  "PGUSER=$user exec \"$@\"\n");
    fs::permissions(folder + "/bin/sudo", fs::perms::owner_all);

    const std::string steps = ShellBlocks(ReadmeSection("Using PostgreSQL instead of SQLite"));
    ASSERT_NE(steps.find("Port=5432\n"), std::string::npos) << steps;
    WriteFileText(folder + "/steps.sh",
                  Replaced(steps, "Port=5432\n", "Port=" + server.Port() + "\n"));

    // unixODBC finds the user's data sources through ODBCINI, the system's through ODBCSYSINI.
    const std::string environment = "HOME='" + home + "' ODBCINI='" + home + "/.odbc.ini' " +
                                    "ODBCSYSINI='" + folder + "/odbc' PGHOST='" + server.Folder() +
                                    "' PGPORT=" + server.Port() + " PATH='" + folder +
                                    "/bin':\"$PATH\"";
    std::string output;
    ASSERT_EQ(RunCommand("cd " CALVENDRA_SOURCE_DIR " && env " + environment + " sh -eu '" +
                             folder + "/steps.sh' 2>&1",
                         &output),
              0)
        << output;

    struct stat info {};
    ASSERT_EQ(stat((home + "/.odbc.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(ReadFileText(home + "/.odbc.ini").find("Password=kelp"), std::string::npos);

    // The organizer, run by that user.
    setenv("HOME", home.c_str(), 1);
    setenv("ODBCINI", (home + "/.odbc.ini").c_str(), 1);
    setenv("ODBCSYSINI", (folder + "/odbc").c_str(), 1);
    CDBConnection connection("Calvendra", "opal", "kelp");
    EXPECT_EQ(OpenOrganizerDatabase(connection).reason, "");
    EXPECT_TRUE(
        connection.ExecuteStatement(statements::InsertGroup(2000000002, "Work", 2000000001)));
    CDBResultSet groups(connection);
    ASSERT_TRUE(groups.OpenQuery(statements::SelectScheduleGroupTree()));
    ASSERT_TRUE(groups.MoveToNext());
    std::string name;
    groups.ReadColumn(2, name);
    EXPECT_EQ(name, "Work");

    // Every table belongs to the organizer's role.
    std::string owners;
    RunCommand("psql -X -q -t -A -h '" + server.Folder() + "' -p " + server.Port() +
                   " -U postgres -d calvendra -c \"select string_agg(distinct tableowner, ',') "
                   "from pg_tables where schemaname = 'public'\"",
               &owners);
    EXPECT_EQ(owners, "opal\n");
    // The added tables among them (the mail queue, the repeat rules), made once whichever step ran
    // first.
    std::string tables;
    RunCommand("psql -X -q -t -A -h '" + server.Folder() + "' -p " + server.Port() +
                   " -U postgres -d calvendra -c \"select string_agg(tablename, ',' order by "
                   "tablename) from pg_tables where schemaname = 'public'\"",
               &tables);
    EXPECT_EQ(tables,
              "assist_contactmaininfo,assist_group,assist_scheduleinfo,mail_queue,"
              "schedule_contact,schedule_repeat\n");
    // And the search index, with the extension that the owner of the database may add.
    std::string indexes;
    RunCommand("psql -X -q -t -A -h '" + server.Folder() + "' -p " + server.Port() +
                   " -U postgres -d calvendra -c \"select string_agg(indexname, ',' order by "
                   "indexname) from pg_indexes where indexname like '%!_search' escape '!'\"",
               &indexes);
    EXPECT_EQ(indexes, "assist_contactmaininfo_search,assist_scheduleinfo_search\n");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace calvendra
