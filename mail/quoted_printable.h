#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// Quoted-printable for a MIME body. Bytes 33 to 60 and 62 to 126, TAB, space, CR and LF are kept,
// everything else becomes "=XX"; a space or TAB directly before a CR, an LF or the end is escaped
// too, since mail relays may strip white space at the end of a line. Lines longer than 77
// characters are folded with soft breaks ("=" CR LF) after the last white space or escape within
// the first 78 characters, else after the 77th character (never inside an escape).
std::string EncodeQuotedPrintable(std::string_view bytes);

}  // namespace calvendra
