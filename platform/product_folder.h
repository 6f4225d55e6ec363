#pragma once

#include <string>

namespace calvendra {

// The folder that stands in for the Windows system directory: CALVENDRA_SYSTEM_DIR when it is set
// and not empty, otherwise kDefaultSystemDirectory.
inline constexpr char kDefaultSystemDirectory[] = "/var/lib";

std::string SystemDirectory();

// "<system directory>/Calvendra/", with the system directory's trailing slashes reduced to the one
// slash before "Calvendra". Both `setup` and `calvendra` find their files through it.
std::string ProductFolder();

// The organizer's database file in the product folder.
std::string DatabaseFilePath();

// The optional skin file in the product folder.
std::string SkinFilePath();

}  // namespace calvendra
