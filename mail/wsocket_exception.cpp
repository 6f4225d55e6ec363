#include "mail/wsocket_exception.h"

#include <cerrno>

#include "mail/system_error_text.h"

namespace calvendra {

namespace {

int ResolveCode(int errorCode) {
    if (errorCode != 0) {
        return errorCode;
    }
    // A failing call that left no errno still must not read as success.
    return errno != 0 ? errno : EIO;
}

}  // namespace

CWSocketException::CWSocketException(int errorCode)
    : CWSocketException(ResolveCode(errorCode), true) {}

CWSocketException::CWSocketException(int errorCode, bool)
    : std::runtime_error(SystemErrorText(errorCode)), errorCode_(errorCode) {}

bool CWSocketException::GetErrorMessage(char* buffer, std::size_t capacity,
                                        unsigned* helpContext) const {
    if (helpContext != nullptr) {
        *helpContext = 0;
    }
    const std::string text = SystemErrorText(errorCode_);
    return CopyMessageText(text, buffer, capacity) && !text.empty();
}

}  // namespace calvendra
