#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace calvendra::test {

// A strict quoted-printable decoder after RFC 2045: "=XX" (upper-case hexadecimal) is a byte,
// "=" before CR LF a soft line break, and white space at the end of a line or of the text is
// deleted, as transports may have added it. Anything else after "=" makes the text invalid.
inline std::optional<std::string> DecodeQuotedPrintable(std::string_view text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    std::size_t pendingBlanks = 0;  // blanks copied that a line end or the text's end removes
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '=') {
            pendingBlanks = 0;
            if (text.substr(index + 1, 2) == "\r\n") {
                index += 2;
                continue;
            }
            if (index + 2 >= text.size() + 0 || hex(text[index + 1]) < 0 ||
                hex(text[index + 2]) < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(hex(text[index + 1]) * 16 + hex(text[index + 2]));
            index += 2;
            continue;
        }
        if (c == '\r' || c == '\n') {
            out.resize(out.size() - pendingBlanks);
            pendingBlanks = 0;
            out += c;
            continue;
        }
        pendingBlanks = (c == ' ' || c == '\t') ? pendingBlanks + 1 : 0;
        out += c;
    }
    out.resize(out.size() - pendingBlanks);
    return out;
}

}  // namespace calvendra::test
