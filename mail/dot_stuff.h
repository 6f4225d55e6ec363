#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// Doubles the dot at the start of every line, the first line included, so that no line of a
// message body can end the SMTP data. A line starts at the beginning of the text, after an LF and
// after a CR that no LF follows (some servers take a bare CR or LF as a line end).
std::string DotStuff(std::string_view text);

}  // namespace calvendra
