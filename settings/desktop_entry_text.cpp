#include "settings/desktop_entry_text.h"

#include <cstring>

namespace calvendra {

namespace {

bool IsReserved(char c) {
    return c != '\0' && std::strchr(" \t\n\"'\\><~|&;$*?#()`", c) != nullptr;
}

bool EscapedInQuotes(char c) {
    return c == '"' || c == '`' || c == '$' || c == '\\';
}

}  // namespace

std::string ExecArgument(const std::string& argument) {
    bool quoted = false;
    for (char c : argument) {
        quoted = quoted || IsReserved(c);
    }
    std::string text;
    if (quoted) {
        text += '"';
    }
    for (char c : argument) {
        if (c == '%') {
            text += "%%";
            continue;
        }
        if (quoted && EscapedInQuotes(c)) {
            text += '\\';
        }
        text += c;
    }
    if (quoted) {
        text += '"';
    }
    return text;
}

std::string StringValue(const std::string& text) {
    std::string value;
    for (size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
            case '\\':
                value += "\\\\";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\r':
                value += "\\r";
                break;
            case ' ':
                value += i == 0 ? "\\s" : " ";
                break;
            default:
                value += text[i];
        }
    }
    return value;
}

}  // namespace calvendra
