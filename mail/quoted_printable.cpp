#include "mail/quoted_printable.h"

#include <algorithm>

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

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

// Where a line too long to stay whole is cut: the index of its last character. The line keeps
// at most 75 characters, so that the soft break's "=" makes it 76.
std::size_t BreakPoint(const std::string& text, std::size_t start) {
    const std::size_t last = start + kLongestQuotedPrintableLine - 2;
    for (std::size_t index = last; index > start; --index) {
        if (IsBlank(text[index]) || (index >= start + 2 && text[index - 2] == '=')) {
            return index;
        }
    }
    // No blank and no escape to end at: cut after the 75th character, moving back before an
    // escape that would straddle the cut.
    if (text[last] == '=') {
        return last - 1;
    }
    if (text[last - 1] == '=') {
        return last - 2;
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
        // A line end after at most 76 characters, or the end of the text, ends the line there.
        const std::size_t limit = std::min(size, start + kLongestQuotedPrintableLine + 1);
        std::size_t index = start;
        while (index < limit && !IsLineEnd(escaped[index])) {
            ++index;
        }
        if (index < limit || size - start <= kLongestQuotedPrintableLine) {
            const std::size_t end = std::min(index + 1, size);
            out.append(escaped, start, end - start);
            start = end;
            continue;
        }
        const std::size_t last = BreakPoint(escaped, start);
        out.append(escaped, start, last + 1 - start);
        out += "=\r\n";
        start = last + 1;
    }
    return out;
}

bool FitsSevenBitTransport(std::string_view text) {
    std::size_t column = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 128 || byte == 0) {
            return false;
        }
        column = (c == '\r' || c == '\n') ? 0 : column + 1;
        if (column > kLongestTextLine) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra
