#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// The longest header line that folding aims for (RFC 5322, section 2.1.1), without the CR LF.
constexpr std::size_t kFoldedLineLength = 78;

// One header field ("Name: value", on one line) folded into lines of at most 78 characters: a
// CR LF goes in before a space or tab, so that unfolding gives back the field exactly. Where no
// white space lies early enough, the line runs on to the next white space; a field without any
// stays on one line. A field that fits is returned unchanged. No CR LF at the end.
std::string FoldHeaderField(std::string_view field);

}  // namespace calvendra
