#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// One RFC 2047 encoded word ("=?charset?q?...?=") for the bytes when any of them has its top bit
// set or is a control character other than TAB (CR, LF and NUL included, so that header text can
// never break its line); otherwise the bytes unchanged.
std::string EncodeWord(std::string_view bytes, std::string_view charset);

// Header text for a subject or a display name: converted to UTF-8 first when the charset is
// "UTF-8" (any case), then cut into pieces of 70 bytes, each passed through EncodeWord, joined
// with nothing between them.
std::string EncodeHeaderText(std::string_view text, std::string_view charset);

// Text that goes into a header line as it stands (an address, an extra header line, a parameter):
// every CR and LF becomes a space, so that the text cannot start a line of its own.
std::string SingleLine(std::string_view text);

// Compares two ASCII texts without regard to case.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);

}  // namespace calvendra
