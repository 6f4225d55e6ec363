#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace calvendra {

// What of a settings file the profile can read as it stands. A line is readable when the settings
// store (wxFileConfig) takes it without a complaint or an assertion: a blank or comment line, a
// "[group]" header, or a "key=value" entry, all in UTF-8 without control characters. An entry whose
// key comes again later in its group is read as the later one, and the entries under a damaged
// header are damaged too, since their group is unknown.
struct ReadableProfile {
    // The readable lines in their order, each ended by a line feed.
    std::string text;
    // The numbers, from 1, of the lines that are not.
    std::vector<std::size_t> damagedLines;

    bool Damaged() const { return !damagedLines.empty(); }
};

ReadableProfile KeepReadableLines(const std::string& fileText);

}  // namespace calvendra
