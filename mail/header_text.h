#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// One RFC 2047 encoded word ("=?charset?q?...?=") for the bytes when any of them has its top bit
// set or is a control character other than TAB (CR, LF and NUL included, so that header text can
// never break its line); otherwise the bytes unchanged. The word is as long as the bytes need:
// EncodeHeaderText and EncodeDisplayName cut longer texts into words of the allowed length.
std::string EncodeWord(std::string_view bytes, std::string_view charset);

// The longest encoded word this library writes, "=?" and "?=" included: within the 75 that RFC 2047
// allows, and short enough to share the first line of a folded field with the longest field name
// it renders ("Reply-To: ").
constexpr std::size_t kLongestEncodedWord = 68;

// A word without white space longer than this would not fit a header line of 998 octets together
// with the field name and what follows it, so it goes out as encoded words, which may be cut.
constexpr std::size_t kLongestPlainWord = 900;

// A subject or other unstructured header text. Line breaks become spaces; the text is converted to
// UTF-8 first when the charset is "UTF-8" (any case). It goes out unchanged when it is printable
// ASCII, holds nothing a reader would take for an encoded word ("=?") and no overlong word.
// Otherwise it becomes one encoded word when that fits in kLongestEncodedWord characters, else a
// row of encoded words of at most that length, separated by spaces, never cutting a UTF-8
// character in two. Decoding gives back exactly the text (with its line breaks as spaces).
std::string EncodeHeaderText(std::string_view text, std::string_view charset);

// A display name as a phrase that any RFC 5322 parser reads back as exactly the name: atoms
// separated by single spaces as they stand; other printable ASCII as a quoted string with '"' and
// '\' escaped; with encode true, names with 8-bit bytes, control characters or an "=?" as encoded
// words that use only the characters a phrase allows. With encode false such names stay as they
// are, quoted where their ASCII needs it. Line breaks become spaces in every case.
std::string EncodeDisplayName(std::string_view name, bool encode, std::string_view charset);

// Text that goes into a header line as it stands (an address, an extra header line, a parameter):
// every CR and LF becomes a space, so that the text cannot start a line of its own.
std::string SingleLine(std::string_view text);

// Compares two ASCII texts without regard to case.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);

}  // namespace calvendra
