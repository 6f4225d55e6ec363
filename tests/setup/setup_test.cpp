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

}  // namespace
}  // namespace calvendra
