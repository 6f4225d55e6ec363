#include "store/odbc_handle.h"

#include <utility>

namespace calvendra {

OdbcHandle::OdbcHandle(OdbcHandle&& other) noexcept
    : type_(other.type_),
      handle_(std::exchange(other.handle_, nullptr)),
      connected_(std::exchange(other.connected_, false)) {}

OdbcHandle& OdbcHandle::operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
        Reset();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, nullptr);
        connected_ = std::exchange(other.connected_, false);
    }
    return *this;
}

OdbcHandle OdbcHandle::Allocate(SQLSMALLINT type, SQLHANDLE parent) {
    SQLHANDLE handle = SQL_NULL_HANDLE;
    const SQLRETURN rc = SQLAllocHandle(type, parent, &handle);
    if (!SQL_SUCCEEDED(rc)) {
        // Some driver managers hand out a handle even when they fail; it still needs freeing.
        if (handle != SQL_NULL_HANDLE) {
            SQLFreeHandle(type, handle);
        }
        return OdbcHandle();
    }
    return OdbcHandle(type, handle);
}

void OdbcHandle::Reset() {
    if (handle_ == SQL_NULL_HANDLE) {
        return;
    }
    if (type_ == SQL_HANDLE_DBC && connected_) {
        SQLDisconnect(handle_);
    }
    SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
    connected_ = false;
}

}  // namespace calvendra
