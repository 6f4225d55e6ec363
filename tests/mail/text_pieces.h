#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace calvendra::test {

// The text written count times in a row.
inline std::string Repeat(const std::string& text, int count) {
    std::string out;
    for (int index = 0; index < count; ++index) {
        out += text;
    }
    return out;
}

// The pieces of the text between separators; the last piece is what follows the last separator.
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos;
         at = text.find(separator, start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

// The text as a JSON string, quotes included; bytes of 128 and more pass unchanged (UTF-8 stays).
inline std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 32) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace calvendra::test
