#include "settings/profile_text.h"

#include <locale.h>
#include <wctype.h>

#include <cwctype>
#include <map>
#include <utility>

namespace calvendra {

namespace {

constexpr char kBlanks[] = " \t";

// Well-formed UTF-8 without control characters other than the tab.
bool IsCleanText(const std::string& line) {
    for (std::size_t at = 0; at < line.size();) {
        const auto lead = static_cast<unsigned char>(line[at]);
        if (lead < 0x80) {
            if ((lead < 0x20 && lead != '\t') || lead == 0x7f) {
                return false;
            }
            ++at;
            continue;
        }
        std::size_t length = 0;
        unsigned long code = 0;
        if (lead >= 0xc2 && lead <= 0xdf) {
            length = 2;
            code = lead & 0x1f;
        } else if (lead >= 0xe0 && lead <= 0xef) {
            length = 3;
            code = lead & 0x0f;
        } else if (lead >= 0xf0 && lead <= 0xf4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (at + length > line.size()) {
            return false;
        }
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(line[at + i]);
            if ((next & 0xc0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3f);
        }
        // Overlong forms, surrogates and values beyond Unicode.
        const unsigned long smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string TrimmedLeft(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Characters that the store reads as quoting, escaping or structure inside a name.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("[]\\\"/=") == std::string::npos;
}

// "a/b" names group b inside group a.
bool IsGroupPath(const std::string& path) {
    for (std::size_t at = 0;;) {
        const std::size_t slash = path.find('/', at);
        const std::string segment =
            path.substr(at, slash == std::string::npos ? slash : slash - at);
        if (!IsPlainName(segment)) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
        at = slash + 1;
    }
}

// Backslash escapes a character; a value in quotes has none but its last one unescaped, and no
// value ends in a lone backslash.
bool IsValue(const std::string& value) {
    const bool quoted = !value.empty() && value.front() == '"';
    for (std::size_t at = quoted ? 1 : 0; at < value.size(); ++at) {
        if (value[at] == '\\') {
            if (++at == value.size()) {
                return false;
            }
        } else if (quoted && value[at] == '"') {
            return at + 1 == value.size();
        }
    }
    return !quoted;
}

// The group a header line names, or empty when the line is no header the store takes.
std::string HeaderGroup(const std::string& line) {
    const std::size_t close = line.find(']');
    if (close == std::string::npos) {
        return std::string();
    }
    const std::string rest = TrimmedLeft(line.substr(close + 1));
    if (!rest.empty() && rest[0] != '#' && rest[0] != ';') {
        return std::string();
    }
    const std::string path = line.substr(1, close - 1);
    return IsGroupPath(path) ? path : std::string();
}

// The name as the store compares names: without regard to letter case. Folded as wide as the
// system's UTF-8 locale folds, so that two names the store takes for one are one here, whatever
// locale the program runs in (folding more than the store only drops an entry that the later one
// of nearly the same name replaces anyway). Clean UTF-8 only.
std::wstring Folded(const std::string& name) {
    static const locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::wstring folded;
    for (std::size_t at = 0; at < name.size();) {
        const auto lead = static_cast<unsigned char>(name[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        unsigned long code = length == 1 ? lead : lead & (0x3f >> (length - 1));
        for (std::size_t i = 1; i < length && at + i < name.size(); ++i) {
            code = (code << 6) | (static_cast<unsigned char>(name[at + i]) & 0x3f);
        }
        at += length;
        const auto c = static_cast<wint_t>(code);
        folded += static_cast<wchar_t>(utf8 != locale_t{} ? towlower_l(c, utf8)
                                                          : (c < 0x80 ? std::towlower(c) : c));
    }
    return folded;
}

}  // namespace

ReadableProfile KeepReadableLines(const std::string& fileText) {
    // A byte-order mark is the store's to skip, not a line's start.
    constexpr char kByteOrderMark[] = "\xef\xbb\xbf";
    const std::size_t start = fileText.rfind(kByteOrderMark, 0) == 0 ? 3 : 0;
    struct Line {
        std::string text;
        bool readable = false;
    };
    std::vector<Line> lines;
    // The lines of each group, the root's ("") first, the others in the order of their first
    // header.
    std::vector<std::pair<std::wstring, std::vector<std::size_t>>> sections{{L"", {}}};
    std::map<std::wstring, std::size_t> sectionOf{{L"", 0}};
    // Where each entry was last seen, by group and key: an earlier one of the same key gives way.
    std::map<std::pair<std::wstring, std::wstring>, std::size_t> entries;
    std::wstring group;
    std::size_t section = 0;
    bool groupKnown = true;
    ReadableProfile readable;
    for (std::size_t at = start; at < fileText.size();) {
        std::size_t end = fileText.find('\n', at);
        if (end == std::string::npos) {
            end = fileText.size();
        }
        std::string text = fileText.substr(at, end - at);
        at = end + 1;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        Line line{text, false};
        const std::size_t number = lines.size();
        bool listed = true;
        // The store skips the blanks that begin a line, and keeps those that end it.
        const std::string content = TrimmedLeft(text);
        if (!IsCleanText(text) || content.rfind(kByteOrderMark, 0) == 0) {
            // Damaged as a whole.
        } else if (content.empty() || content[0] == '#' || content[0] == ';') {
            line.readable = true;
        } else if (content[0] == '[') {
            const std::string named = HeaderGroup(content);
            line.readable = !named.empty();
            // After a damaged header nobody can tell whose entries follow.
            groupKnown = line.readable;
            group = Folded(named);
            if (line.readable) {
                const auto [known, first] = sectionOf.emplace(group, sections.size());
                if (first) {
                    sections.push_back({group, {}});
                } else {
                    // The store would assert: the group has its header already.
                    readable.repeatedHeaders.push_back(number + 1);
                    listed = false;
                }
                section = known->second;
            }
        } else if (groupKnown) {
            const std::size_t equals = content.find('=');
            if (equals != std::string::npos) {
                const std::string key = Trimmed(content.substr(0, equals));
                const std::string value = TrimmedLeft(content.substr(equals + 1));
                line.readable = IsPlainName(key) && key[0] != '!' && IsValue(value);
                if (line.readable) {
                    const auto [earlier, first] =
                        entries.emplace(std::make_pair(group, Folded(key)), 0);
                    if (!first) {
                        lines[earlier->second].readable = false;
                    }
                    earlier->second = number;
                }
            }
        }
        lines.push_back(line);
        if (listed) {
            sections[section].second.push_back(number);
        }
    }
    for (const auto& [name, numbers] : sections) {
        for (const std::size_t number : numbers) {
            if (lines[number].readable) {
                readable.text += lines[number].text + "\n";
            }
        }
    }
    for (std::size_t number = 0; number < lines.size(); ++number) {
        if (!lines[number].readable) {
            readable.damagedLines.push_back(number + 1);
        }
    }
    return readable;
}

}  // namespace calvendra
