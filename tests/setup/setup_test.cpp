#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/product_folder.h"
#include "setup/attribute_list.h"
#include "store/db_connection.h"
#include "store/db_result_set.h"
#include "store/statements.h"
#include "tests/support/odbc_sandbox.h"
#include "tests/support/test_database.h"

namespace calvendra {
namespace {

namespace fs = std::filesystem;
using testing::OdbcSandbox;
using testing::ReadFileText;
using testing::RunCommand;

class ScopedSystemDirectory {
public:
    explicit ScopedSystemDirectory(const char* value) {
        if (value == nullptr) {
            unsetenv("CALVENDRA_SYSTEM_DIR");
        } else {
            setenv("CALVENDRA_SYSTEM_DIR", value, 1);
        }
    }
    ~ScopedSystemDirectory() { unsetenv("CALVENDRA_SYSTEM_DIR"); }
};

TEST(ProductFolder, TrailingSlashesGiveOneSlashBeforeCalvendra) {
    {
        ScopedSystemDirectory dir("/srv/data///");
        EXPECT_EQ(ProductFolder(), "/srv/data/Calvendra/");
        EXPECT_EQ(DatabaseFilePath(), "/srv/data/Calvendra/Calvendra.db");
        EXPECT_EQ(SkinFilePath(), "/srv/data/Calvendra/main.urf");
    }
    {
        ScopedSystemDirectory dir("/");
        EXPECT_EQ(ProductFolder(), "/Calvendra/");
    }
}

TEST(ProductFolder, UnsetOrEmptyMeansTheDocumentedDefault) {
    {
        ScopedSystemDirectory dir(nullptr);
        EXPECT_EQ(ProductFolder(), "/var/lib/Calvendra/");
    }
    {
        ScopedSystemDirectory dir("");
        EXPECT_EQ(ProductFolder(), "/var/lib/Calvendra/");
    }
}

TEST(AttributeList, UsesTheInstallersZeroSeparatedForm) {
    const std::string list = ToInstallerAttributes({{"DSN", "Calvendra"}, {"PWD", "kelp"}});
    EXPECT_EQ(list, std::string("DSN=Calvendra\0PWD=kelp\0\0", 24));
    EXPECT_EQ(ToInstallerAttributes({}), std::string(1, '\0'));
}

TEST(AttributeList, ValuesKeepSemicolonsAndEqualSigns) {
    const AttributePairs pairs = {{"DSN", "Calvendra"}, {"DBQ", "/a;b=c/Calvendra.db"}, {"X", ""}};
    EXPECT_EQ(FromInstallerAttributes(ToInstallerAttributes(pairs).c_str()), pairs);
    EXPECT_TRUE(FromInstallerAttributes(nullptr).empty());
    const char bare[] = "NoValue\0";
    EXPECT_EQ(FromInstallerAttributes(bare), (AttributePairs{{"NoValue", ""}}));
}

// Runs calvendra-setup with the given system directory and extra environment; returns its exit
// status and what it printed on standard error.
int RunSetup(const std::string& systemDirectory, std::string* errors,
             const std::string& environment = "") {
    const std::string errorFile = OdbcSandbox::Get().NewFilePath(".err");
    const int status = RunCommand("CALVENDRA_SYSTEM_DIR='" + systemDirectory + "' " + environment +
                                  " " CALVENDRA_SETUP_PROGRAM " 2>" + errorFile);
    *errors = ReadFileText(errorFile);
    return status;
}

class SetupProgram : public ::testing::Test {
protected:
    void SetUp() override {
        systemDirectory_ = OdbcSandbox::Get().NewFilePath("-system");
        fs::create_directories(systemDirectory_ + "/Calvendra");
        OdbcSandbox::Get().WriteDataSources({});
    }

    // A database made from the schema, placed where the product folder says it lies.
    void InstallDatabase() {
        testing::TestDatabase made;
        fs::copy_file(made.FilePath(), systemDirectory_ + "/Calvendra/Calvendra.db");
    }

    std::string systemDirectory_;
};

TEST_F(SetupProgram, RegistersTheDataSourceThatTheOrganizerOpens) {
    InstallDatabase();
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_ + "//", &errors), 1);
    EXPECT_EQ(errors, "");

    const std::string ini = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    EXPECT_NE(ini.find("[Calvendra]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Driver=Calvendra SQLite3\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Database=" + systemDirectory_ + "/Calvendra/Calvendra.db\n"),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("UID=opal\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("PWD=kelp\n"), std::string::npos) << ini;

    CDBConnection connection("Calvendra", "opal", "kelp");
    ASSERT_TRUE(connection.OpenConnection());
    CDBResultSet groups(connection);
    ASSERT_TRUE(groups.OpenQuery(statements::SelectScheduleGroupTree()));
    std::string id;
    ASSERT_TRUE(groups.ReadColumn(0, id));
    EXPECT_EQ(id, "2000000001");
}

TEST_F(SetupProgram, RunningTwiceRegistersTheSameDataSourceAgain) {
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_, &errors), 1);
    const std::string first = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    EXPECT_EQ(RunSetup(systemDirectory_, &errors), 1);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(ReadFileText(OdbcSandbox::Get().OdbcIniPath()), first);
}

TEST_F(SetupProgram, RegistersAMissingDatabaseFileWhichThenFailsToOpenRatherThanAppearEmpty) {
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_, &errors), 1);
    const std::string ini = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    EXPECT_NE(ini.find("Database=" + systemDirectory_ + "/Calvendra/Calvendra.db"),
              std::string::npos);
    CDBConnection connection("Calvendra", "opal", "kelp");
    EXPECT_FALSE(connection.OpenConnection());
    EXPECT_FALSE(fs::exists(systemDirectory_ + "/Calvendra/Calvendra.db"));
}

TEST_F(SetupProgram, ReplacesWhatAnEarlierRegistrationLeft) {
    OdbcSandbox::Get().WriteDataSources(
        {{"Calvendra",
          {{"Driver", "Calvendra SQLite3"}, {"Database", "/old/place.db"}, {"LeftOver", "1"}}},
         {"Other", {{"Driver", "Calvendra SQLite3"}, {"Database", "/other.db"}}}});
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_, &errors), 1);
    const std::string ini = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    EXPECT_EQ(ini.find("LeftOver"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("/old/place.db"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Other]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Database=/other.db"), std::string::npos) << ini;
}

// Before, running the installation again switched a PostgreSQL user back to an empty SQLite file.
TEST_F(SetupProgram, ADataSourceThatAnotherDriverServesIsLeftAsItIsAndSaysSo) {
    OdbcSandbox::Get().WriteDataSources({{"Calvendra",
                                          {{"Driver", "PostgreSQL Unicode"},
                                           {"Servername", "127.0.0.1"},
                                           {"Database", "calvendra"}}}});
    const std::string before = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_, &errors), 1);
    EXPECT_EQ(ReadFileText(OdbcSandbox::Get().OdbcIniPath()), before);
    EXPECT_NE(errors.find("the data source \"Calvendra\" is served by the driver \"PostgreSQL "
                          "Unicode\" and is left as it is"),
              std::string::npos)
        << errors;
}

TEST_F(SetupProgram, AnInstallerWithoutSQLConfigDataSourceIsReported) {
    std::string errors;
    EXPECT_EQ(
        RunSetup(systemDirectory_, &errors, "LD_LIBRARY_PATH=" CALVENDRA_FAKE_INSTALLER_FOLDER), 1);
    EXPECT_NE(errors.find("ODBC Installer Error"), std::string::npos) << errors;
    EXPECT_EQ(ReadFileText(OdbcSandbox::Get().OdbcIniPath()), "");
}

TEST_F(SetupProgram, ARefusalByTheInstallerIsReportedNotSilent) {
    // An ODBC configuration that knows no driver entry of the organizer's name.
    const std::string folder = OdbcSandbox::Get().NewFilePath("-odbc");
    fs::create_directories(folder);
    testing::WriteFileText(folder + "/odbcinst.ini", "");
    testing::WriteFileText(folder + "/odbc.ini", "");
    std::string errors;
    EXPECT_EQ(RunSetup(systemDirectory_, &errors, "ODBCSYSINI=" + folder), 1);
    EXPECT_NE(errors.find("refused"), std::string::npos) << errors;
    EXPECT_EQ(ReadFileText(folder + "/odbc.ini"), "");
}

// The installation step that runs setup: an installation under a prefix of the test's own, with
// the setup program, the driver entry that names its library, and the schema where the install
// puts them.
class PrepareDatabaseScript : public SetupProgram {
protected:
    void SetUp() override {
        SetupProgram::SetUp();
        prefix_ = OdbcSandbox::Get().NewFilePath("-prefix");
        fs::create_directories(prefix_ + "/bin");
        fs::create_directories(prefix_ + "/share/calvendra");
        fs::create_symlink(CALVENDRA_SETUP_PROGRAM, prefix_ + "/bin/calvendra-setup");
        for (const char* file : {"schema.sql", "search-index-sqlite.sql"}) {
            fs::copy_file(std::string(CALVENDRA_SOURCE_DIR "/data/") + file,
                          prefix_ + "/share/calvendra/" + file);
        }
        testing::WriteFileText(prefix_ + "/share/calvendra/odbcinst-calvendra.ini",
                               "[Calvendra SQLite3]\nDescription=SQLite 3 with Calvendra's setup\n"
                               "Driver=libsqlite3odbc.so\nSetup=" CALVENDRA_SETUP_LIBRARY "\n");
    }

    int Run(std::string* output) {
        return RunCommand("CALVENDRA_SYSTEM_DIR='" + systemDirectory_ +
                              "' " CALVENDRA_SOURCE_DIR "/setup/prepare-database '" + prefix_ +
                              "' \"$(id -gn)\" 2>&1",
                          output);
    }

    std::string Database() const { return systemDirectory_ + "/Calvendra/Calvendra.db"; }

    std::string prefix_;
};

TEST_F(PrepareDatabaseScript, CreatesTheDatabaseOnceAndRegistersItsDataSource) {
    // What an installation under /usr/local left, registered three times.
    const std::string driversFile = OdbcSandbox::Get().Folder() + "/odbcinst.ini";
    const std::string sandboxDrivers = ReadFileText(driversFile);
    testing::WriteFileText(driversFile,
                           "[Calvendra SQLite3]\nDriver=libsqlite3odbc.so\n"
                           "Setup=/usr/local/lib/calvendra/libcalvendraodbcsetup.so\nUsageCount=3\n"
                           "\n[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n");
    std::string output;
    const int status = Run(&output);
    const std::string drivers = ReadFileText(driversFile);
    testing::WriteFileText(driversFile, sandboxDrivers);
    ASSERT_EQ(status, 0) << output;
    // The entry names this installation's setup library, registered once; the other stays.
    EXPECT_NE(drivers.find("Setup=" CALVENDRA_SETUP_LIBRARY "\n"), std::string::npos) << drivers;
    EXPECT_EQ(drivers.find("/usr/local"), std::string::npos) << drivers;
    EXPECT_NE(drivers.find("UsageCount=1\n"), std::string::npos) << drivers;
    EXPECT_NE(drivers.find("[PostgreSQL Unicode]"), std::string::npos) << drivers;
    EXPECT_NE(output.find("Created the database " + Database()), std::string::npos) << output;
    EXPECT_NE(output.find("Registered the data source Calvendra"), std::string::npos) << output;
    // The group may read and write the database and the folder that holds its journal; nobody
    // else may read either.
    const fs::perms readWrite = fs::perms::owner_read | fs::perms::owner_write |
                                fs::perms::group_read | fs::perms::group_write;
    EXPECT_EQ(fs::status(Database()).permissions() & fs::perms::mask, readWrite);
    EXPECT_EQ(fs::status(systemDirectory_ + "/Calvendra").permissions() & fs::perms::mask,
              readWrite | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::set_gid);
    CDBConnection connection("Calvendra", "opal", "kelp");
    EXPECT_TRUE(connection.OpenConnection());

    ASSERT_EQ(Run(&output), 0) << output;
    EXPECT_NE(output.find("Keeping the existing database"), std::string::npos) << output;
    // Registered again, the driver entry is still there once.
    EXPECT_NE(ReadFileText(driversFile).find("UsageCount=1\n"), std::string::npos);
}

// A database made before the newer tables: they are added, and not a row of it changes.
TEST_F(PrepareDatabaseScript, AddsTheNewerTablesToAnExistingDatabaseAndChangesNoRow) {
    std::string output;
    ASSERT_EQ(Run(&output), 0) << output;
    const std::string sqlite = "sqlite3 '" + Database() + "' ";
    std::string older = "drop table mail_queue; drop index assist_scheduleinfo_remind_time;";
    for (const char* index : {"contact_search", "schedule_search"}) {
        older += std::string(" drop table ") + index + ";";
        for (const char* change : {"insert", "delete", "update"}) {
            older += std::string(" drop trigger ") + index + "_" + change + ";";
        }
    }
    ASSERT_EQ(RunCommand(sqlite + "\"" + older +
                             " insert into assist_group values "
                             "('2000000002','Work','2000000001'); insert into "
                             "assist_scheduleinfo values ('2000000003','2000000002','It''s "
                             "late','Line 1\nLine 2',1,2,'3','','09:30:00',1); insert into "
                             "schedule_contact values ('2000000003','1000000002')\"",
                         &output),
              0)
        << output;
    const std::string dumpOfTheFour =
        sqlite + "'.dump assist_group assist_contactmaininfo assist_scheduleinfo schedule_contact'";
    std::string before;
    ASSERT_EQ(RunCommand(dumpOfTheFour, &before), 0);
    ASSERT_NE(before.find("It''s late"), std::string::npos) << before;

    ASSERT_EQ(Run(&output), 0) << output;
    EXPECT_NE(output.find("Keeping the existing database " + Database() +
                          ".\nAdded the table mail_queue to it.\nAdded the index "
                          "assist_scheduleinfo_remind_time to it.\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("\nAdded the search index to it.\n"), std::string::npos) << output;
    std::string after;
    ASSERT_EQ(RunCommand(dumpOfTheFour, &after), 0);
    EXPECT_EQ(after, before);
    std::string tables;
    RunCommand(sqlite +
                   "\"select name from sqlite_master where type='table' and name not like "
                   "'%!_search!_%' escape '!' order by name\"",
               &tables);
    EXPECT_EQ(tables,
              "assist_contactmaininfo\nassist_group\nassist_scheduleinfo\ncontact_search\n"
              "mail_queue\nschedule_contact\nschedule_repeat\nschedule_search\n");
    // The organizer's store uses it as it is.
    CDBConnection connection("Calvendra", "opal", "kelp");
    ASSERT_TRUE(connection.OpenConnection()) << connection.LastError().Text();
    EXPECT_TRUE(connection.ExecuteStatement("select count(*) from mail_queue"));

    // Once there, it is left as it is.
    ASSERT_EQ(Run(&output), 0) << output;
    EXPECT_EQ(output.find("Added the"), std::string::npos) << output;
}

TEST_F(PrepareDatabaseScript, ADataSourceThatAnotherDriverServesIsLeftAsItIs) {
    OdbcSandbox::Get().WriteDataSources(
        {{"Calvendra", {{"Driver", "PostgreSQL Unicode"}, {"Database", "calvendra"}}}});
    const std::string before = ReadFileText(OdbcSandbox::Get().OdbcIniPath());
    std::string output;
    ASSERT_EQ(Run(&output), 0) << output;
    EXPECT_EQ(output,
              "The data source Calvendra is served by the driver \"PostgreSQL Unicode\"; it is "
              "left as it is.\n");
    EXPECT_EQ(ReadFileText(OdbcSandbox::Get().OdbcIniPath()), before);
    EXPECT_FALSE(fs::exists(Database()));
}

}  // namespace
}  // namespace calvendra
