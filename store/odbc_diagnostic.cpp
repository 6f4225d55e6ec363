#include "store/odbc_diagnostic.h"

#include <sqlext.h>

namespace calvendra {

namespace {

// Drivers seldom leave more than a few records; this many is enough to say why.
constexpr SQLSMALLINT kMaxRecords = 8;

// SQLite's result codes for a database or a table that another connection has locked, as the
// SQLite driver reports them: state HY000 with the code as the native error.
constexpr long kSqliteBusy = 5;
constexpr long kSqliteLocked = 6;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

FailureKind KindOfFailure(const std::string& sqlState, long nativeCode,
                          const std::string& message) {
    if (StartsWith(sqlState, "08") || sqlState == "57P01" || sqlState == "57P02" ||
        sqlState == "57P03") {
        return FailureKind::kUnreachable;
    }
    if (sqlState == "HYT00" || sqlState == "HYT01" || sqlState == "55P03" || sqlState == "57014" ||
        sqlState == "40P01") {
        return FailureKind::kBusy;
    }
    if (sqlState == "HY000" && (nativeCode == kSqliteBusy || nativeCode == kSqliteLocked) &&
        message.find("locked") != std::string::npos) {
        return FailureKind::kBusy;
    }
    return FailureKind::kOther;
}

std::string OdbcDiagnostic::Text() const {
    if (sqlState.empty()) {
        return message;
    }
    return message + " (SQLSTATE " + sqlState + ", native error " + std::to_string(nativeCode) +
           ")";
}

OdbcDiagnostic ReadDiagnostic(SQLSMALLINT handleType, SQLHANDLE handle) {
    OdbcDiagnostic diagnostic;
    if (handle != SQL_NULL_HANDLE) {
        for (SQLSMALLINT record = 1; record <= kMaxRecords; ++record) {
            SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
            SQLINTEGER native = 0;
            SQLCHAR text[SQL_MAX_MESSAGE_LENGTH] = {};
            SQLSMALLINT length = 0;
            const SQLRETURN rc = SQLGetDiagRec(handleType, handle, record, state, &native, text,
                                               sizeof text, &length);
            if (!SQL_SUCCEEDED(rc)) {
                break;
            }
            if (record == 1) {
                diagnostic.sqlState = reinterpret_cast<const char*>(state);
                diagnostic.nativeCode = native;
            } else {
                diagnostic.message += "; ";
            }
            diagnostic.message += reinterpret_cast<const char*>(text);
        }
    }
    if (diagnostic.Empty()) {
        diagnostic.message = "the ODBC driver manager gave no reason";
    }
    diagnostic.kind = KindOfFailure(diagnostic.sqlState, diagnostic.nativeCode, diagnostic.message);
    return diagnostic;
}

}  // namespace calvendra
