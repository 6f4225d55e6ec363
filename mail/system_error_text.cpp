#include "mail/system_error_text.h"

#include <algorithm>
#include <cstring>

namespace calvendra {

std::string SystemErrorText(int errnoValue) {
    // glibc names every errno it has a text for; for the others strerror_r would only invent
    // "Unknown error N".
    if (errnoValue == 0 || strerrorname_np(errnoValue) == nullptr) {
        return std::string();
    }
    char buffer[256];
    return strerror_r(errnoValue, buffer, sizeof buffer);
}

bool CopyMessageText(const std::string& text, char* buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return false;
    }
    const std::size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return true;
}

}  // namespace calvendra
