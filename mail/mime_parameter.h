#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// One parameter of a MIME header field, with the "; " that introduces it: name="value" when the
// value is printable ASCII and short, with '"' and '\' escaped. A longer value is continued over
// numbered parameters (name*0="...", name*1="...", ...), and a value with other bytes goes out in
// UTF-8, percent-encoded (name*=utf-8''..., continued as name*0*=, name*1*=, ...), as RFC 2231
// gives it. Every piece fits a folded header line of its own. The value is taken in the calling
// thread's character set; line breaks in it become spaces.
std::string MimeParameter(std::string_view name, std::string_view value);

}  // namespace calvendra
