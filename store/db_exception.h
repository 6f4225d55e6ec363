#pragma once

#include <stdexcept>
#include <string>

namespace calvendra {

// Raised by a result set when a caller asks for a column outside the select list: a fault of the
// caller's, not of the data.
class CDBException : public std::runtime_error {
public:
    explicit CDBException(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace calvendra
