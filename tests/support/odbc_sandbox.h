#pragma once

#include <string>
#include <utility>
#include <vector>

namespace calvendra::testing {

// A folder of the test process's own that unixODBC takes for its system configuration: its
// odbcinst.ini registers the organizer's SQLite driver entry (with the project's setup library)
// and PostgreSQL's Unicode driver, and its odbc.ini holds whatever data sources the tests write.
//
// unixODBC reads ODBCSYSINI once per process, so the folder is made once, before the first ODBC
// call, and lives until the process ends; the data sources in it are rewritten freely.
class OdbcSandbox {
public:
    // Creates the folder on first use and points the environment at it.
    static OdbcSandbox& Get();

    const std::string& Folder() const { return folder_; }
    std::string OdbcIniPath() const { return folder_ + "/odbc.ini"; }

    // One section of odbc.ini: the data source's name and its keywords in order, "Driver" first.
    struct DataSource {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
    };

    // Makes these the only data sources. The sections are written through the ODBC installer
    // library, because the driver manager caches what it read of odbc.ini for as long as that
    // library stays loaded, and only its own writes keep that cache true.
    void WriteDataSources(const std::vector<DataSource>& sources);

    // A file path in the folder that no test has used in this process yet.
    std::string NewFilePath(const std::string& suffix);

private:
    OdbcSandbox();
    ~OdbcSandbox();

    std::string folder_;
    int nextFile_ = 0;
};

// The text of a whole file, or empty when it cannot be read.
std::string ReadFileText(const std::string& path);

// The lines of a file, without their line breaks; none when it cannot be read.
std::vector<std::string> ReadFileLines(const std::string& path);

// Writes a whole file; throws std::runtime_error when it cannot.
void WriteFileText(const std::string& path, const std::string& text);

}  // namespace calvendra::testing
