#include "store/database_file.h"

#include <sqlext.h>
#include <sys/stat.h>

#include <cerrno>

#include "store/odbc_handle.h"

namespace calvendra {

namespace {

// The file of the main database, as SQLite resolved it when it opened the file (an absolute
// path): the third column of the row named "main". Empty for a database in memory.
std::string MainDatabasePath(SQLHDBC connection) {
    OdbcHandle statement = OdbcHandle::Allocate(SQL_HANDLE_STMT, connection);
    if (!statement) {
        return std::string();
    }
    char query[] = "PRAGMA database_list";
    if (!SQL_SUCCEEDED(
            SQLExecDirect(statement.Get(), reinterpret_cast<SQLCHAR*>(query), SQL_NTS))) {
        return std::string();
    }
    while (SQL_SUCCEEDED(SQLFetch(statement.Get()))) {
        char name[64] = {};
        char file[4096] = {};
        SQLLEN nameLength = 0;
        SQLLEN fileLength = 0;
        if (SQL_SUCCEEDED(
                SQLGetData(statement.Get(), 2, SQL_C_CHAR, name, sizeof name, &nameLength)) &&
            std::string(name) == "main" &&
            SQL_SUCCEEDED(
                SQLGetData(statement.Get(), 3, SQL_C_CHAR, file, sizeof file, &fileLength)) &&
            fileLength > 0) {
            return file;
        }
    }
    return std::string();
}

}  // namespace

std::optional<DatabaseFile> DatabaseFile::OfConnection(SQLHDBC connection,
                                                       const std::string& dbmsName) {
    if (dbmsName != "SQLite") {
        return std::nullopt;
    }
    return AtPath(MainDatabasePath(connection));
}

std::optional<DatabaseFile> DatabaseFile::AtPath(const std::string& path) {
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return DatabaseFile(path, status.st_dev, status.st_ino);
}

DatabaseFile::Change DatabaseFile::Check() const {
    struct stat status {};
    if (stat(path_.c_str(), &status) != 0) {
        // Only a path that leads nowhere means the file is gone; a folder that cannot be read
        // for a moment says nothing about it.
        return errno == ENOENT || errno == ENOTDIR ? Change::kMissing : Change::kNone;
    }
    return status.st_dev == device_ && status.st_ino == inode_ ? Change::kNone : Change::kReplaced;
}

}  // namespace calvendra
