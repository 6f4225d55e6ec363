#include "store/odbc_diagnostic.h"

#include <sqlext.h>

namespace calvendra {

namespace {

// Drivers seldom leave more than a few records; this many is enough to say why.
constexpr SQLSMALLINT kMaxRecords = 8;

}  // namespace

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
    return diagnostic;
}

}  // namespace calvendra
