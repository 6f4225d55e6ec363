#pragma once

#include <string>
#include <string_view>

#include "store/identifiers.h"

// How the organizer reads the texts that every column arrives as.
namespace calvendra {

// The C library's decimal conversion (strtol): optional white space and sign, then the leading
// digits; empty or non-numeric text reads as 0. Values beyond the type's range are clamped to it.
// Read in place, without the copy that the C library needs for a terminating zero: a list reads
// several numbers a row.
long ReadLong(std::string_view text);
int ReadInt(std::string_view text);

inline Identifier ReadIdentifier(std::string_view text) {
    return ReadLong(text);
}

// A flag is on only when its text reads as exactly 1.
inline bool IsFlagOn(std::string_view text) {
    return ReadInt(text) == 1;
}

// The text without the white space at both of its ends.
std::string TrimWhiteSpace(const std::string& text);

}  // namespace calvendra
