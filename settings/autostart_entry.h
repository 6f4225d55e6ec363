#pragma once

#include <string>

// The organizer's freedesktop autostart entry, by which the desktop starts it when the user logs
// in: $XDG_CONFIG_HOME/autostart/calvendra.desktop (~/.config/autostart by default). Writing the
// entry turns the start at log-in on, removing it turns it off. Needs no window.
namespace calvendra {

std::string AutostartFolder();
std::string AutostartEntryPath();

// Writes the entry that starts `program` (an absolute path) at log-in, creating the autostart
// folder, readable by its owner only, when it is missing. The entry is written to a temporary
// file beside it and renamed over the old one, so that a crash leaves the old entry or the new
// one, never a part of one. False, with the reason in `error` and any old entry left as it was,
// when the folder cannot be made, the path cannot be written in a desktop entry (it is not UTF-8
// or holds control characters) or the file cannot be written.
bool WriteAutostartEntry(const std::string& program, std::string& error);

// Removes the entry. An entry that does not exist is no failure. False, with the reason in
// `error`, when the entry exists and cannot be removed.
bool RemoveAutostartEntry(std::string& error);

}  // namespace calvendra
