#include "mail/header_text.h"

#include <algorithm>
#include <cstring>

#include "mail/utf8_conversion.h"

namespace calvendra {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Where an encoded word stands: in unstructured text (a subject) any printable character but
// "=", "?" and "_" may appear as itself; in a phrase (a display name) only letters, digits and
// "!*+-/" may (RFC 2047, section 5).
enum class WordPlace { Text, Phrase };

bool NeedsEncoding(unsigned char byte) {
    return byte >= 128 || byte == 127 || (byte < 32 && byte != '\t');
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsAlphaNumeric(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// What an atom is made of: RFC 5322 atext, and the bytes of UTF-8 characters (RFC 6532), which
// only names left unencoded keep.
bool IsAtomCharacter(char c) {
    return IsAlphaNumeric(c) || static_cast<unsigned char>(c) >= 128 ||
           (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool KeptInWord(char c, WordPlace place) {
    if (place == WordPlace::Phrase) {
        return IsAlphaNumeric(c) || c == '!' || c == '*' || c == '+' || c == '-' || c == '/';
    }
    const auto byte = static_cast<unsigned char>(c);
    return byte > 32 && byte < 127 && c != '=' && c != '?' && c != '_';
}

void AppendEncodedByte(std::string& out, char c, WordPlace place) {
    if (c == ' ') {
        out += '_';
    } else if (KeptInWord(c, place)) {
        out += c;
    } else {
        const auto byte = static_cast<unsigned char>(c);
        out += '=';
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 15];
    }
}

bool AnyNeedsEncoding(std::string_view bytes) {
    for (const char c : bytes) {
        if (NeedsEncoding(static_cast<unsigned char>(c))) {
            return true;
        }
    }
    return false;
}

bool HasOverlongWord(std::string_view text) {
    std::size_t run = 0;
    for (const char c : text) {
        run = IsBlank(c) ? 0 : run + 1;
        if (run > kLongestPlainWord) {
            return true;
        }
    }
    return false;
}

// The length of the character that starts at the index: a whole UTF-8 sequence in UTF-8 text
// (which ConvertToUtf8 has made valid), else one byte.
std::size_t CharacterLength(std::string_view text, std::size_t index, bool utf8) {
    if (!utf8) {
        return 1;
    }
    return std::min(Utf8SequenceLength(static_cast<unsigned char>(text[index])),
                    text.size() - index);
}

// The text as encoded words of at most kLongestEncodedWord characters, separated by spaces, which
// decoders drop between encoded words. Characters are never split across two words.
std::string EncodedWords(std::string_view text, std::string_view charset, WordPlace place) {
    const std::string prefix = "=?" + SingleLine(charset) + "?q?";
    const bool utf8 = EqualsIgnoringCase(charset, "UTF-8");
    const std::size_t room =
        kLongestEncodedWord > prefix.size() + 2 ? kLongestEncodedWord - prefix.size() - 2 : 0;
    std::string out;
    std::string word;
    std::string piece;
    for (std::size_t index = 0; index < text.size();) {
        const std::size_t length = CharacterLength(text, index, utf8);
        piece.clear();
        for (std::size_t at = index; at < index + length; ++at) {
            AppendEncodedByte(piece, text[at], place);
        }
        if (!word.empty() && word.size() + piece.size() > room) {
            out += (out.empty() ? "" : " ") + prefix + word + "?=";
            word.clear();
        }
        word += piece;
        index += length;
    }
    if (!word.empty() || out.empty()) {
        out += (out.empty() ? "" : " ") + prefix + word + "?=";
    }
    return out;
}

// One encoded word for the whole text when it fits, else a row of them.
std::string Encoded(std::string_view text, std::string_view charset, WordPlace place) {
    std::string single = "=?" + SingleLine(charset) + "?q?";
    for (const char c : text) {
        AppendEncodedByte(single, c, place);
    }
    single += "?=";
    if (single.size() <= kLongestEncodedWord) {
        return single;
    }
    return EncodedWords(text, charset, place);
}

// Atoms separated by single spaces: a phrase that needs no quoting.
bool IsAtomPhrase(std::string_view name) {
    bool previousBlank = true;  // no space at the start
    for (const char c : name) {
        if (c == ' ') {
            if (previousBlank) {
                return false;
            }
            previousBlank = true;
        } else if (IsAtomCharacter(c)) {
            previousBlank = false;
        } else {
            return false;
        }
    }
    return !previousBlank;  // nor at the end
}

std::string QuotedString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string TextInCharset(std::string_view text, std::string_view charset) {
    const std::string single = SingleLine(text);
    return EqualsIgnoringCase(charset, "UTF-8") ? ConvertToUtf8(single) : single;
}

}  // namespace

std::string EncodeWord(std::string_view bytes, std::string_view charset) {
    if (!AnyNeedsEncoding(bytes)) {
        return std::string(bytes);
    }
    std::string out = "=?" + SingleLine(charset) + "?q?";
    for (const char c : bytes) {
        AppendEncodedByte(out, c, WordPlace::Text);
    }
    out += "?=";
    return out;
}

std::string EncodeHeaderText(std::string_view text, std::string_view charset) {
    const std::string bytes = TextInCharset(text, charset);
    if (!AnyNeedsEncoding(bytes) && bytes.find("=?") == std::string::npos &&
        !HasOverlongWord(bytes)) {
        return bytes;
    }
    return Encoded(bytes, charset, WordPlace::Text);
}

std::string EncodeDisplayName(std::string_view name, bool encode, std::string_view charset) {
    const std::string bytes = encode ? TextInCharset(name, charset) : SingleLine(name);
    if (encode && (AnyNeedsEncoding(bytes) || bytes.find("=?") != std::string::npos ||
                   HasOverlongWord(bytes))) {
        return Encoded(bytes, charset, WordPlace::Phrase);
    }
    return IsAtomPhrase(bytes) ? bytes : QuotedString(bytes);
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
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (lower(left[index]) != lower(right[index])) {
            return false;
        }
    }
    return true;
}

}  // namespace calvendra
