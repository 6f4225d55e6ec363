#include "store/column_values.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace calvendra {

namespace {

constexpr char kWhiteSpace[] = " \t\r\n\v\f";

}  // namespace

long ReadLong(const std::string& text) {
    // strtol rather than atol: the same reading, but defined for out-of-range text.
    errno = 0;
    return std::strtol(text.c_str(), nullptr, 10);
}

int ReadInt(const std::string& text) {
    const long value = ReadLong(text);
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::string TrimWhiteSpace(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos) {
        return std::string();
    }
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

}  // namespace calvendra
