#include "editors/integer_text.h"

#include <cctype>
#include <climits>

namespace calvendra {

bool ParseIntegerText(const std::string& text, int& value) {
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) {
        return at < text.size() && std::isspace(static_cast<unsigned char>(text[at]));
    };
    while (blank(i)) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long magnitude = 0;
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
        ++digits;
        ++i;
    }
    while (blank(i)) {
        ++i;
    }
    if (digits == 0 || i != text.size()) {
        return false;
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX || signedValue < INT_MIN) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

}  // namespace calvendra
