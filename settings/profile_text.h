#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace calvendra {

// What of a settings file the profile can read as it stands. A line is readable when the settings
// store (wxFileConfig) takes it without a complaint or an assertion: a blank or comment line, a
// "[group]" header, or a "key=value" entry, all in UTF-8 without control characters, and not
// starting with a byte-order mark (which the store drops from a file's first line only). The store
// takes names without regard to letter case: an entry whose key comes again later in its group is
// read as the later one, and a header that names a group again is dropped, its lines joining the
// group's first header. The entries under a damaged header are damaged too, since their group is
// unknown.
struct ReadableProfile {
    // The readable lines, each ended by a line feed: in their order, except that the lines under a
    // repeated header follow those of the group's first one.
    std::string text;
    // The numbers, from 1, of the lines that are not readable.
    std::vector<std::size_t> damagedLines;
    // The numbers of the headers that named a group again.
    std::vector<std::size_t> repeatedHeaders;

    // Whether the file must be written again for the store to read it without a complaint.
    bool Damaged() const { return !damagedLines.empty() || !repeatedHeaders.empty(); }
};

ReadableProfile KeepReadableLines(const std::string& fileText);

}  // namespace calvendra
