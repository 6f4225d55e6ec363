#pragma once

#include <string>

namespace calvendra {

// A new random UUID as 36 lower-case hexadecimal digits and hyphens (8-4-4-4-12).
std::string RandomUuidText();

}  // namespace calvendra
