#pragma once

#include <string>
#include <utility>
#include <vector>

namespace calvendra {

using AttributePairs = std::vector<std::pair<std::string, std::string>>;

// The ODBC installer's form of a data source's attributes: each "keyword=value" pair ended by a
// zero byte, the whole list by one more. Built from the pairs themselves rather than by splitting
// a ";"-joined text, so a value that holds ";" (a folder name may) stays whole.
std::string ToInstallerAttributes(const AttributePairs& pairs);

// Reads that form back; stops at the empty pair. A pair without "=" has an empty value.
AttributePairs FromInstallerAttributes(const char* attributes);

}  // namespace calvendra
