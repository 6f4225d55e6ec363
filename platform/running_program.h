#pragma once

#include <string>

namespace calvendra {

// The absolute path of the program file this process runs, as the kernel reports it
// (/proc/self/exe). A program file that was replaced or removed while the process ran is reported
// with " (deleted)" after its path; that mark is dropped, so that the path names where the program
// was, which is where an update puts the new one. False, with the reason in `error`, when the path
// cannot be read.
bool RunningProgramPath(std::string& path, std::string& error);

// The same for any link of that kind; for tests.
bool ProgramPathFromLink(const std::string& link, std::string& path, std::string& error);

}  // namespace calvendra
