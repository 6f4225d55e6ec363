#pragma once

#include <string>

#include "store/identifiers.h"

// How the organizer reads the texts that every column arrives as.
namespace calvendra {

// The C library's decimal conversion: optional white space and sign, then the leading digits;
// empty or non-numeric text reads as 0. Values beyond the type's range are clamped to it.
long ReadLong(const std::string& text);
int ReadInt(const std::string& text);

inline Identifier ReadIdentifier(const std::string& text) {
    return ReadLong(text);
}

// A flag is on only when its text reads as exactly 1.
inline bool IsFlagOn(const std::string& text) {
    return ReadInt(text) == 1;
}

// The text without the white space at both of its ends.
std::string TrimWhiteSpace(const std::string& text);

}  // namespace calvendra
