#include "mail/quoted_printable.h"

#include <algorithm>

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kFoldColumn = 77;

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsKept(unsigned char byte) {
    return (byte >= 33 && byte <= 60) || (byte >= 62 && byte <= 126) || byte == '\t' ||
           byte == '\n' || byte == '\r' || byte == ' ';
}

std::string Escape(std::string_view bytes) {
    std::string out(bytes.size() * 3, '\0');
    char* write = out.data();
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        const auto byte = static_cast<unsigned char>(bytes[index]);
        const bool blankAtLineEnd = IsBlank(static_cast<char>(byte)) &&
                                    (index + 1 == bytes.size() || IsLineEnd(bytes[index + 1]));
        if (IsKept(byte) && !blankAtLineEnd) {
            *write++ = static_cast<char>(byte);
        } else {
            *write++ = '=';
            *write++ = kHexDigits[byte >> 4];
            *write++ = kHexDigits[byte & 15];
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
    return out;
}

// Where a line that has reached 78 characters without a line end is cut: the index of its last
// character.
std::size_t BreakPoint(const std::string& text, std::size_t start, std::size_t at) {
    for (std::size_t index = at; index > start; --index) {
        if (IsBlank(text[index]) || (index >= start + 2 && text[index - 2] == '=')) {
            return index;
        }
    }
    std::size_t last = start + kFoldColumn - 1;
    // An escape that starts at the 77th character moves to the next line whole.
    if (text[last] == '=') {
        --last;
    }
    return last;
}

}  // namespace

std::string EncodeQuotedPrintable(std::string_view bytes) {
    const std::string escaped = Escape(bytes);
    const std::size_t size = escaped.size();
    std::string out;
    out.reserve(size + size / 25 + 3);
    std::size_t start = 0;
    while (start < size) {
        // A line end, or the end of the text, within the first 78 characters ends the line there.
        const std::size_t limit = std::min(size, start + kFoldColumn + 1);
        std::size_t index = start;
        while (index < limit && !IsLineEnd(escaped[index])) {
            ++index;
        }
        if (index < limit || limit == size) {
            const std::size_t end = std::min(index + 1, size);
            out.append(escaped, start, end - start);
            start = end;
            continue;
        }
        const std::size_t last = BreakPoint(escaped, start, start + kFoldColumn);
        out.append(escaped, start, last + 1 - start);
        out += "=\r\n";
        start = last + 1;
    }
    return out;
}

}  // namespace calvendra
