#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace calvendra {

// Converts text held in the character set of the calling thread's locale (LC_CTYPE) to UTF-8. In
// a UTF-8 locale valid text comes out unchanged. A byte that does not begin a valid character of
// the locale's set is taken as the ISO-8859-1 character of the same value, so no byte is dropped
// and the result is always valid UTF-8.
std::string ConvertToUtf8(std::string_view text);

// The length of the UTF-8 sequence that the byte starts (1 for ASCII and for a byte that starts
// none).
inline std::size_t Utf8SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Appends the UTF-8 form of one Unicode code point (U+FFFD for a value that is none).
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace calvendra
