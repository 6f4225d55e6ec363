// The driver setup library that unixODBC calls for SQLConfigDataSource on the organizer's driver
// entry. Debian's SQLite driver ships none that works, so this one writes the data source's
// section itself, in the keywords the SQLite driver reads.
#include <odbcinst.h>
#include <strings.h>

#include <string>

#include "setup/attribute_list.h"

namespace {

constexpr BOOL kSucceeded = 1;
constexpr BOOL kFailed = 0;
constexpr char kOdbcIni[] = "odbc.ini";

// The installer's generic keyword for the database file is DBQ; the SQLite driver calls it
// Database.
std::string DriverKeyword(const std::string& keyword) {
    if (strcasecmp(keyword.c_str(), "DBQ") == 0) {
        return "Database";
    }
    return keyword;
}

// Settings the organizer relies on unless the caller names them: the driver reads a whole result
// when a query opens (StepAPI off), so several result sets can be open on one connection, and a
// missing database file is an error rather than a new empty database (NoCreat).
const calvendra::AttributePairs kDriverDefaults = {{"StepAPI", "0"}, {"NoCreat", "1"}};

bool Names(const calvendra::AttributePairs& pairs, const std::string& keyword) {
    for (const auto& pair : pairs) {
        if (strcasecmp(DriverKeyword(pair.first).c_str(), keyword.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

std::string FindDataSourceName(const calvendra::AttributePairs& pairs) {
    for (const auto& [keyword, value] : pairs) {
        if (strcasecmp(keyword.c_str(), "DSN") == 0) {
            return value;
        }
    }
    return std::string();
}

BOOL Fail(DWORD code, const char* message) {
    SQLPostInstallerError(code, const_cast<char*>(message));
    return kFailed;
}

// The driver that serves a registered data source; empty when there is no such data source.
std::string RegisteredDriver(const std::string& name) {
    char driver[512] = {};
    SQLGetPrivateProfileString(name.c_str(), "Driver", "", driver, sizeof driver, kOdbcIni);
    return driver;
}

BOOL WriteDataSource(const char* driver, const calvendra::AttributePairs& pairs) {
    const std::string name = FindDataSourceName(pairs);
    if (name.empty() || !SQLValidDSN(name.c_str())) {
        return Fail(ODBC_ERROR_INVALID_DSN, "The attributes name no valid data source (DSN).");
    }
    // A data source of this name that another driver serves was set up by someone on purpose (a
    // PostgreSQL database, say): it is left as it is.
    const std::string registered = RegisteredDriver(name);
    if (!registered.empty() && strcasecmp(registered.c_str(), driver) != 0) {
        const std::string refusal = "the data source \"" + name + "\" is served by the driver \"" +
                                    registered + "\" and is left as it is";
        return Fail(ODBC_ERROR_REQUEST_FAILED, refusal.c_str());
    }
    // Registering again replaces the section whole, so no keyword of an earlier registration
    // outlives the new one.
    SQLRemoveDSNFromIni(name.c_str());
    if (!SQLWriteDSNToIni(name.c_str(), driver)) {
        return Fail(ODBC_ERROR_REQUEST_FAILED, "The data source could not be written.");
    }
    for (const auto& [keyword, value] : pairs) {
        if (strcasecmp(keyword.c_str(), "DSN") == 0) {
            continue;
        }
        if (!SQLWritePrivateProfileString(name.c_str(), DriverKeyword(keyword).c_str(),
                                          value.c_str(), kOdbcIni)) {
            return Fail(ODBC_ERROR_REQUEST_FAILED, "A data source attribute could not be written.");
        }
    }
    for (const auto& [keyword, value] : kDriverDefaults) {
        if (!Names(pairs, keyword) &&
            !SQLWritePrivateProfileString(name.c_str(), keyword.c_str(), value.c_str(), kOdbcIni)) {
            return Fail(ODBC_ERROR_REQUEST_FAILED, "A data source attribute could not be written.");
        }
    }
    return kSucceeded;
}

}  // namespace

extern "C" BOOL INSTAPI ConfigDSN(HWND /*parent*/, WORD request, LPCSTR driver, LPCSTR attributes) {
    const calvendra::AttributePairs pairs = calvendra::FromInstallerAttributes(attributes);
    switch (request) {
        case ODBC_ADD_DSN:
        case ODBC_CONFIG_DSN:
        case ODBC_ADD_SYS_DSN:
        case ODBC_CONFIG_SYS_DSN:
            return WriteDataSource(driver, pairs);
        case ODBC_REMOVE_DSN:
        case ODBC_REMOVE_SYS_DSN: {
            const std::string name = FindDataSourceName(pairs);
            if (name.empty() || !SQLRemoveDSNFromIni(name.c_str())) {
                return Fail(ODBC_ERROR_REQUEST_FAILED, "The data source could not be removed.");
            }
            return kSucceeded;
        }
        default:
            return Fail(ODBC_ERROR_INVALID_REQUEST_TYPE, "This request is not supported.");
    }
}
