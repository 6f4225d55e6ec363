#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// Standard base64 (RFC 2045 alphabet, "=" padding) in lines of 76 characters, each followed by
// CR LF. A last line shorter than 76 characters (possibly empty) has no CR LF, and the padded group
// for one or two trailing bytes follows directly after it.
std::string Base64Lines(std::string_view bytes);

// Standard base64 without any line break.
std::string Base64Flat(std::string_view bytes);

// Decodes base64, skipping every character outside the alphabet (line ends, padding, anything
// else). Never fails on content; a lone trailing character, which holds no whole byte, is dropped.
std::string Base64Decode(std::string_view text);

}  // namespace calvendra
