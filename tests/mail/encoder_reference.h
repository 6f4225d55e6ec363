#pragma once

// The body encoders as they were written first, a character at a time, kept as the reference that
// the faster encoders must match byte for byte.

#include <cstdint>
#include <string>
#include <string_view>

namespace calvendra::test {

inline std::string ReferenceBase64(std::string_view bytes, bool lines) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t groups = bytes.size() / 3;
    std::string out;
    for (std::size_t group = 0; group < groups; ++group) {
        const unsigned char* at = in + group * 3;
        const std::uint32_t bits =
            (std::uint32_t{at[0]} << 16) | (std::uint32_t{at[1]} << 8) | at[2];
        for (int shift = 18; shift >= 0; shift -= 6) {
            out += kAlphabet[(bits >> shift) & 63];
        }
        if (lines && (group + 1) % 19 == 0) {
            out += "\r\n";
        }
    }
    const std::size_t rest = bytes.size() % 3;
    if (rest != 0) {
        const unsigned char* at = in + groups * 3;
        const std::uint32_t bits =
            (std::uint32_t{at[0]} << 16) | (rest > 1 ? std::uint32_t{at[1]} << 8 : 0);
        out += kAlphabet[(bits >> 18) & 63];
        out += kAlphabet[(bits >> 12) & 63];
        out += rest > 1 ? kAlphabet[(bits >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

inline std::string ReferenceQuotedPrintable(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto lineEnd = [](char c) { return c == '\r' || c == '\n'; };
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::string escaped;
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        const auto byte = static_cast<unsigned char>(bytes[index]);
        const bool kept = (byte >= 33 && byte <= 60) || (byte >= 62 && byte <= 126) ||
                          blank(static_cast<char>(byte)) || lineEnd(static_cast<char>(byte));
        const bool blankAtLineEnd = blank(static_cast<char>(byte)) &&
                                    (index + 1 == bytes.size() || lineEnd(bytes[index + 1]));
        if (kept && !blankAtLineEnd) {
            escaped += static_cast<char>(byte);
        } else {
            escaped += '=';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 15];
        }
    }
    std::string out;
    std::size_t start = 0;
    const std::size_t size = escaped.size();
    while (start < size) {
        const std::size_t limit = std::min(size, start + 77);
        std::size_t index = start;
        while (index < limit && !lineEnd(escaped[index])) {
            ++index;
        }
        if (index < limit || size - start <= 76) {
            const std::size_t end = std::min(index + 1, size);
            out.append(escaped, start, end - start);
            start = end;
            continue;
        }
        // The last blank or escape within the first 75 characters ends the line; else the 75th
        // character does, moved back before an escape that it would cut.
        const std::size_t last = start + 74;
        std::size_t cut = last;
        bool found = false;
        for (std::size_t at = last; at > start; --at) {
            if (blank(escaped[at]) || (at >= start + 2 && escaped[at - 2] == '=')) {
                cut = at;
                found = true;
                break;
            }
        }
        if (!found) {
            cut = escaped[last] == '=' ? last - 1 : escaped[last - 1] == '=' ? last - 2 : last;
        }
        out.append(escaped, start, cut + 1 - start);
        out += "=\r\n";
        start = cut + 1;
    }
    return out;
}

}  // namespace calvendra::test
