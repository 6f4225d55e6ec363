#pragma once

#include <string>

namespace calvendra {

// Reads a whole edit as a decimal integer the way dialog data exchange does: optional blanks, an
// optional sign, at least one digit, optional blanks, nothing else, and a value that fits a 32-bit
// signed integer. False, with `value` untouched, for anything else.
bool ParseIntegerText(const std::string& text, int& value);

}  // namespace calvendra
