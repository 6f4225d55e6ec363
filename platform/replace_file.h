#pragma once

#include <string>

namespace calvendra {

// Writes `text` as the whole of the file at `path`, making its folder when missing: through a
// temporary file beside it and a rename, so that a crash leaves the old content or the new one.
// False, with the reason in `why`, when it cannot.
bool ReplaceFileText(const std::string& path, const std::string& text, std::string& why);

}  // namespace calvendra
