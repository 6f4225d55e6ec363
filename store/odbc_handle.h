#pragma once

#include <sql.h>

namespace calvendra {

// Owns one ODBC handle and frees it when it goes. A connection handle that connected is
// disconnected first, so a failure half way through never leaves a live handle behind.
class OdbcHandle {
public:
    OdbcHandle() = default;
    ~OdbcHandle() { Reset(); }

    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;
    OdbcHandle(OdbcHandle&& other) noexcept;
    OdbcHandle& operator=(OdbcHandle&& other) noexcept;

    // An empty handle when the driver manager refuses.
    static OdbcHandle Allocate(SQLSMALLINT type, SQLHANDLE parent);

    SQLHANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // For a connection handle: disconnect before it is freed.
    void MarkConnected() { connected_ = true; }

    void Reset();

private:
    OdbcHandle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}

    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = nullptr;
    bool connected_ = false;
};

}  // namespace calvendra
