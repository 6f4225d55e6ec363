#pragma once

#include <string>
#include <vector>

#include "store/statements.h"

// What moves between the organizer and vCard or iCalendar files: contacts and schedules as the
// organizer stores them, with their groups as paths ("Work/Clients") and, for schedules, their
// attendants as e-mail addresses. Needs no window and no database.
namespace calvendra::exchange {

// Where something stands in a file: its name and its line (1 for the first; 0 when no line can
// be named).
struct FilePlace {
    std::string file;
    long line = 0;
};

// Something to tell about a file: why it cannot be imported (an error), or what the import does
// not take as it stands (a note: a part not imported, an approximation).
struct FileMessage {
    FilePlace place;
    std::string text;
};

// "file, line 12: text", or "file: text" without a line.
std::string Describe(const FileMessage& message);

struct ContactItem {
    // The 26 text columns in table order, as the organizer stores them.
    statements::ContactFields fields;
    // Group paths, "/" between the names of a group and the group below it; the first is where
    // the contact is filed, none for the base group.
    std::vector<std::string> categories;
    FilePlace place;
};

struct Attendee {
    std::string email;
    std::string name;  // may be empty
};

struct ScheduleItem {
    statements::ScheduleFields fields;
    std::vector<std::string> categories;
    std::vector<Attendee> attendees;
    // What the reminder columns could not hold and how it was approximated.
    std::vector<std::string> approximations;
    FilePlace place;
};

// What one or more files hold.
struct FileContents {
    std::vector<ContactItem> contacts;
    std::vector<ScheduleItem> schedules;
    // Why the files cannot be imported; none when they can.
    std::vector<FileMessage> errors;
    // What is not imported as it stands, said in the summary.
    std::vector<FileMessage> notes;

    void Append(FileContents other);
};

// Group paths: the names from the group below the base group down, joined by "/".
inline constexpr char kPathSeparator = '/';
std::vector<std::string> SplitGroupPath(const std::string& path);

}  // namespace calvendra::exchange
