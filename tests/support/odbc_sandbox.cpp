#include "tests/support/odbc_sandbox.h"

#include <dlfcn.h>

#include <cstdlib>
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
    // The driver manager unloads a driver with its last connection; keeping the drivers mapped lets
    // leak reports name the library an allocation came from.
    for (const char* library : {"libsqlite3odbc.so", "psqlodbcw.so", "libodbcinst.so.2"}) {
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

void OdbcSandbox::WriteDataSources(const std::string& odbcIni) const {
    WriteFileText(OdbcIniPath(), odbcIni);
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

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace calvendra::testing
