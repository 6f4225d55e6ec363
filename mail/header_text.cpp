#include "mail/header_text.h"

#include "mail/utf8_conversion.h"

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kPieceLength = 70;

bool NeedsEncoding(unsigned char byte) {
    return byte >= 128 || byte == 127 || (byte < 32 && byte != '\t');
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string EncodeWord(std::string_view bytes, std::string_view charset) {
    bool encode = false;
    for (const char c : bytes) {
        encode = encode || NeedsEncoding(static_cast<unsigned char>(c));
    }
    if (!encode) {
        return std::string(bytes);
    }
    std::string out = "=?" + SingleLine(charset) + "?q?";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            out += '_';
        } else if (c == '=' || c == '?' || c == '_' || NeedsEncoding(byte)) {
            out += '=';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 15];
        } else {
            out += c;
        }
    }
    out += "?=";
    return out;
}

std::string EncodeHeaderText(std::string_view text, std::string_view charset) {
    std::string converted;
    if (EqualsIgnoringCase(charset, "UTF-8")) {
        converted = ConvertToUtf8(text);
        text = converted;
    }
    std::string out;
    for (std::size_t start = 0; start < text.size(); start += kPieceLength) {
        out += EncodeWord(text.substr(start, kPieceLength), charset);
    }
    return out;
}

std::string SingleLine(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (LowerAscii(left[index]) != LowerAscii(right[index])) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra
