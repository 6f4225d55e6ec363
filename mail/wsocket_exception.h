#pragma once

#include <cstddef>
#include <stdexcept>

namespace calvendra {

// A failure of the socket layer, carrying an errno value. Thrown by value; the SMTP session turns
// it into its own exception, so only direct users of CWSocket ever see it.
class CWSocketException : public std::runtime_error {
public:
    // Code 0 means the calling thread's errno at the moment of raising.
    explicit CWSocketException(int errorCode = 0);

    int ErrorCode() const { return errorCode_; }

    // The system's text for ErrorCode, cut to capacity - 1 bytes and terminated; an empty string
    // and false when the system has none.
    bool GetErrorMessage(char* buffer, std::size_t capacity, unsigned* helpContext = nullptr) const;

private:
    CWSocketException(int errorCode, bool);

    int errorCode_;
};

}  // namespace calvendra
