#pragma once

// Whether the organizer starts at log-in, as the user last chose it: the key "AutoRun" in the
// section "Calvendra" of the profile (settings/profile.h), written as "1" or "0". Only the start-up
// option reads it; the autostart entry (settings/autostart_entry.h) is what makes the desktop start
// the program.
namespace calvendra {

// 1 when the profile holds a non-zero number, 0 when it holds zero, no number or nothing, or when
// no profile is selected.
int LoadAutoRunFlag();

// Writes the flag in decimal and flushes the profile. Does nothing without a profile.
void SaveAutoRunFlag(int flag);

}  // namespace calvendra
