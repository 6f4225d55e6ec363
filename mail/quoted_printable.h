#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// The longest line of a quoted-printable body, a soft break's "=" included (RFC 2045, 6.7).
constexpr std::size_t kLongestQuotedPrintableLine = 76;

// Quoted-printable for a MIME body. Bytes 33 to 60 and 62 to 126, TAB, space, CR and LF are kept,
// everything else becomes "=XX"; a space or TAB directly before a CR, an LF or the end is escaped
// too, since mail relays may strip white space at the end of a line. Lines longer than 76
// characters are folded with soft breaks ("=" CR LF) after the last white space or escape within
// the first 75 characters, else after the 75th character (never inside an escape), so that no
// line, its soft break included, passes 76 characters.
std::string EncodeQuotedPrintable(std::string_view bytes);

// The longest line a mail server must take (RFC 5321, 4.5.3.1.6), without its CR LF.
constexpr std::size_t kLongestTextLine = 998;

// True when a 7-bit mail transport carries the text unchanged as it stands: no byte with its top
// bit set, no NUL, no line longer than 998 octets. Text that fails needs a transfer encoding.
bool FitsSevenBitTransport(std::string_view text);

}  // namespace calvendra
