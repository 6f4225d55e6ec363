#include "tests/support/odbc_sandbox.h"

#include <dlfcn.h>
#include <odbcinst.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace calvendra::testing {

OdbcSandbox& OdbcSandbox::Get() {
    static OdbcSandbox sandbox;
    return sandbox;
}

OdbcSandbox::OdbcSandbox() {
    std::string pattern = (std::filesystem::temp_directory_path() / "calvendra-odbc.XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create the ODBC sandbox folder");
    }
    folder_ = pattern;
    WriteFileText(folder_ + "/odbcinst.ini",
                  "[Calvendra SQLite3]\n"
                  "Description=SQLite 3 with the organizer's setup library\n"
                  "Driver=libsqlite3odbc.so\n"
                  "Setup=" CALVENDRA_ODBC_SETUP_LIBRARY
                  "\n"
                  "\n"
                  "[PostgreSQL Unicode]\n"
                  "Description=PostgreSQL ODBC driver (Unicode version)\n"
                  "Driver=psqlodbcw.so\n");
    WriteFileText(OdbcIniPath(), "");
    WriteFileText(folder_ + "/user-odbc.ini", "");
    // The driver manager unloads a driver with its last connection, and what the driver keeps in
    // its globals then looks leaked; keeping the drivers mapped keeps leak reports to our own code.
    for (const char* library : {"libsqlite3odbc.so", "psqlodbcw.so"}) {
        dlopen(library, RTLD_LAZY | RTLD_NODELETE);
    }
    setenv("ODBCSYSINI", folder_.c_str(), 1);
    setenv("ODBCINSTINI", "odbcinst.ini", 1);
    setenv("ODBCINI", (folder_ + "/user-odbc.ini").c_str(), 1);
}

OdbcSandbox::~OdbcSandbox() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void OdbcSandbox::WriteDataSources(const std::vector<DataSource>& sources) {
    SQLSetConfigMode(ODBC_SYSTEM_DSN);
    char names[4096] = {};
    SQLGetPrivateProfileString(nullptr, nullptr, "", names, sizeof names, "odbc.ini");
    for (const char* name = names; *name != '\0'; name += std::strlen(name) + 1) {
        SQLWritePrivateProfileString(name, nullptr, nullptr, "odbc.ini");
    }
    for (const DataSource& source : sources) {
        for (const auto& [keyword, value] : source.attributes) {
            if (!SQLWritePrivateProfileString(source.name.c_str(), keyword.c_str(), value.c_str(),
                                              "odbc.ini")) {
                throw std::runtime_error("cannot write the data source " + source.name);
            }
        }
    }
}

std::string OdbcSandbox::NewFilePath(const std::string& suffix) {
    return folder_ + "/file" + std::to_string(++nextFile_) + suffix;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> ReadFileLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream text(ReadFileText(path));
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace calvendra::testing
