#include "store/column_values.h"

#include <cctype>
#include <climits>

namespace calvendra {

namespace {

constexpr char kWhiteSpace[] = " \t\r\n\v\f";

}  // namespace

long ReadLong(std::string_view text) {
    std::size_t at = 0;
    // White space as the C library sees it in the current locale.
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // Gathered below zero, where the range reaches one further than above it.
    long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const int digit = text[at] - '0';
        if (value < LONG_MIN / 10 || (value == LONG_MIN / 10 && digit > -(LONG_MIN % 10))) {
            return negative ? LONG_MIN : LONG_MAX;
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    return value == LONG_MIN ? LONG_MAX : -value;
}

int ReadInt(std::string_view text) {
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
