#include "mail/mime_parameter.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "mail/header_folding.h"
#include "mail/header_text.h"
#include "mail/utf8_conversion.h"

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsPrintableAscii(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte > 126) {
            return false;
        }
    }
    return true;
}

// RFC 2231 attribute-char: what an extended value may hold as it stands.
bool IsAttributeCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 32 && byte < 127 && std::strchr("*'%()<>@,;:\\\"/[]?=", c) == nullptr;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::string PercentEncoded(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        if (IsAttributeCharacter(c)) {
            out += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out += '%';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 15];
        }
    }
    return out;
}

// The value cut into pieces whose rendered form stays within `room` characters, never inside a
// character: a UTF-8 sequence, an escape pair, or a percent-encoded byte.
template <typename Render>
std::vector<std::string> Pieces(std::string_view value, std::size_t room, bool utf8,
                                Render render) {
    std::vector<std::string> pieces;
    std::string piece;
    for (std::size_t index = 0; index < value.size();) {
        const std::size_t length =
            utf8 ? std::min(Utf8SequenceLength(static_cast<unsigned char>(value[index])),
                            value.size() - index)
                 : 1;
        const std::string next = render(value.substr(index, length));
        if (!piece.empty() && piece.size() + next.size() > room) {
            pieces.push_back(piece);
            piece.clear();
        }
        piece += next;
        index += length;
    }
    pieces.push_back(piece);
    return pieces;
}

}  // namespace

std::string MimeParameter(std::string_view name, std::string_view value) {
    const std::string line = SingleLine(value);
    const std::string parameter = SingleLine(name);
    // A continued piece goes on a line of its own: " name*12*=" before it, ";" after it.
    const std::size_t overhead = 1 + parameter.size() + 6 + 1;
    const std::size_t room = kFoldedLineLength > overhead + 16 ? kFoldedLineLength - overhead : 16;
    if (IsPrintableAscii(line)) {
        const std::string quoted = Escaped(line);
        if (quoted.size() + 2 <= room) {
            return "; " + parameter + "=\"" + quoted + "\"";
        }
        std::string out;
        const auto pieces = Pieces(line, room - 2, false, Escaped);
        for (std::size_t index = 0; index < pieces.size(); ++index) {
            out += "; " + parameter + "*" + std::to_string(index) + "=\"" + pieces[index] + "\"";
        }
        return out;
    }
    const std::string utf8 = ConvertToUtf8(line);
    const std::string charset = "utf-8''";
    const std::string whole = PercentEncoded(utf8);
    if (charset.size() + whole.size() <= room) {
        return "; " + parameter + "*=" + charset + whole;
    }
    std::string out;
    const auto pieces = Pieces(utf8, room - charset.size(), true, PercentEncoded);
    for (std::size_t index = 0; index < pieces.size(); ++index) {
        out += "; " + parameter + "*" + std::to_string(index) +
               "*=" + (index == 0 ? charset : std::string()) + pieces[index];
    }
    return out;
}

}  // namespace calvendra
