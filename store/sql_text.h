#pragma once

#include <string>

namespace calvendra {

// Doubles every single quote, so that the text can stand inside a '%s' slot of a statement.
std::string EscapeQuotes(const std::string& text);

// printf into a std::string of whatever length the result needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace calvendra
