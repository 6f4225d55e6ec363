#include "mail/utf8_conversion.h"

#include <cwchar>

namespace calvendra {

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
        codePoint = 0xFFFD;
    }
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

std::string ConvertToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    std::mbstate_t state{};
    std::size_t index = 0;
    while (index < text.size()) {
        wchar_t wide = 0;
        const std::size_t used =
            std::mbrtowc(&wide, text.data() + index, text.size() - index, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            // Invalid or cut-off sequence: keep the byte as a Latin-1 character and start afresh.
            AppendUtf8(out, static_cast<unsigned char>(text[index]));
            state = std::mbstate_t{};
            ++index;
        } else if (used == 0) {
            // An embedded NUL is a character like any other here.
            out += '\0';
            ++index;
        } else {
            AppendUtf8(out, static_cast<char32_t>(wide));
            index += used;
        }
    }
    return out;
}

}  // namespace calvendra
