#include "mail/header_folding.h"

namespace calvendra {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Where the line that starts at `start` ends: before the last blank that keeps it within 78
// characters, else before the first blank after that. A line never ends before its first
// character that is not blank, nor after its last one, so that no line is white space alone; the
// first line holds the field name and the value's first word, since readers drop white space
// only at the start of the value's first line. npos when there is no such place.
std::size_t FoldPoint(std::string_view field, std::size_t start) {
    std::size_t firstText = start;
    if (start == 0) {
        const std::size_t colon = field.find(':');
        firstText = colon == std::string_view::npos ? 0 : colon + 1;
    }
    while (firstText < field.size() && IsBlank(field[firstText])) {
        ++firstText;
    }
    std::size_t end = field.size();
    while (end > firstText && IsBlank(field[end - 1])) {
        --end;
    }
    std::size_t best = std::string_view::npos;
    for (std::size_t at = firstText + 1; at < end; ++at) {
        if (!IsBlank(field[at]) || IsBlank(field[at - 1])) {
            continue;  // a row of blanks folds before its first one
        }
        if (at - start <= kFoldedLineLength || best == std::string_view::npos) {
            best = at;
        }
        if (at - start >= kFoldedLineLength) {
            break;
        }
    }
    return best;
}

}  // namespace

std::string FoldHeaderField(std::string_view field) {
    std::string out;
    std::size_t start = 0;
    while (field.size() - start > kFoldedLineLength) {
        const std::size_t end = FoldPoint(field, start);
        if (end == std::string_view::npos) {
            break;
        }
        out.append(field, start, end - start);
        out += "\r\n";
        start = end;
    }
    out.append(field, start, std::string_view::npos);
    return out;
}

}  // namespace calvendra
