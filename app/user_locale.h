#pragma once

namespace calvendra {

// Lets the windows follow the user's locale: the date picker shows "07.03.2005" to a German user,
// the organizer's texts are in the user's language where a catalogue has them, and month names
// and the toolkit's own texts are the user's. Numbers keep the C form
// (LC_NUMERIC), the one that the statements, the settings file and the log are written and read
// in; dates and times are stored from the pickers' numbers, never from their texts. A locale that
// the system does not know leaves everything in the C locale. Call before any other thread
// starts: the C library's locale is the whole process's.
void FollowUserLocale();

}  // namespace calvendra
