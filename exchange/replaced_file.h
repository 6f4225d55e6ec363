#pragma once

#include <string>

namespace calvendra::exchange {

// Writes a whole file: first to a new file beside it, flushed to the disk, then renamed over the
// file, so that a failure half way leaves the file as it was and no half-written one. Empty
// when it worked; otherwise why not (errno's text), and the new file is gone.
std::string ReplaceFile(const std::string& path, const std::string& contents);

}  // namespace calvendra::exchange
