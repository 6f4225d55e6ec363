#include "mail/dot_stuff.h"

namespace calvendra {

std::string DotStuff(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 64 + 1);
    bool lineStart = true;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (lineStart && c == '.') {
            out += '.';
        }
        out += c;
        lineStart =
            c == '\n' || (c == '\r' && (index + 1 == text.size() || text[index + 1] != '\n'));
    }
    return out;
}

}  // namespace calvendra
