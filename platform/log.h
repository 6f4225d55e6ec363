#pragma once

#include <string>

// The program's one log: every line goes to standard error and to the system log (syslog, which
// the journal collects), so that a user who started the program from a terminal and a packager
// reading the journal see the same reasons. Needs nothing of the windows.
namespace calvendra {

enum class LogLevel { kError, kWarning, kInfo };

// Writes "<program>: <message>" as one line. Line breaks and other control characters in the
// message become spaces, so that a driver's message of several lines stays one entry. Safe to
// call from any thread.
void WriteLog(LogLevel level, const std::string& message);

inline void LogError(const std::string& message) {
    WriteLog(LogLevel::kError, message);
}

inline void LogWarning(const std::string& message) {
    WriteLog(LogLevel::kWarning, message);
}

}  // namespace calvendra
