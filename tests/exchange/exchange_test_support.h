#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tests/mail/temp_folder.h"
#include "tests/support/odbc_sandbox.h"
#include "tests/support/test_database.h"

namespace calvendra::testing {

// A value as read_back.py prints it: a JSON string.
inline std::string Json(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

// One line of read_back.py: a name and its values.
inline std::string Line(const std::string& name, const std::vector<std::string>& values = {}) {
    std::string line = name;
    for (const std::string& value : values) {
        line += "\t" + Json(value);
    }
    return line;
}

// What Python's vobject (a .vcf file) or icalendar (an .ics file) reads in a file, as lines.
inline std::vector<std::string> ReadBack(const std::string& path) {
    std::string printed;
    const int status = RunCommand(std::string("/usr/bin/python3 ") + CALVENDRA_SOURCE_DIR +
                                      "/tests/exchange/read_back.py '" + path + "' 2>&1",
                                  &printed);
    std::vector<std::string> lines;
    if (status != 0) {
        lines.push_back("read_back.py failed: " + printed);
        return lines;
    }
    std::size_t start = 0;
    while (start < printed.size()) {
        const std::size_t end = printed.find('\n', start);
        lines.push_back(printed.substr(start, end - start));
        start = end == std::string::npos ? printed.size() : end + 1;
    }
    return lines;
}

}  // namespace calvendra::testing
