#pragma once

#include <cstddef>
#include <string>

namespace calvendra {

// The text of an errno value from the system's catalogue; empty when the system has none.
std::string SystemErrorText(int errnoValue);

// Copies the text into a C buffer, cut to capacity - 1 bytes and terminated; false when there is
// no room at all.
bool CopyMessageText(const std::string& text, char* buffer, std::size_t capacity);

}  // namespace calvendra
