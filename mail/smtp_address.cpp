#include "mail/smtp_address.h"

#include "mail/header_text.h"

namespace calvendra {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    return TrimEnd(text);
}

// The first opening and closing bracket, when the closing one lies at least two characters on.
bool FindPair(std::string_view text, char open, char close, std::size_t& openAt,
              std::size_t& closeAt) {
    openAt = text.find(open);
    closeAt = text.find(close);
    return openAt != std::string_view::npos && closeAt != std::string_view::npos &&
           closeAt >= openAt + 2;
}

// A name written as one quoted string ("Smith, Ann") stands for what it encloses.
std::string Unquoted(std::string_view name) {
    if (name.size() < 2 || name.front() != '"' || name.back() != '"') {
        return std::string(name);
    }
    std::string inner;
    for (std::size_t index = 1; index + 1 < name.size(); ++index) {
        char c = name[index];
        if (c == '\\') {
            if (index + 2 >= name.size()) {
                return std::string(name);  // the closing quote is escaped
            }
            c = name[++index];
        } else if (c == '"') {
            return std::string(name);  // more than one quoted string
        }
        inner += c;
    }
    return inner;
}

}  // namespace

CKivSMTPAddress::CKivSMTPAddress(std::string_view text) {
    text = Trim(text);
    std::size_t open = 0;
    std::size_t close = 0;
    if (FindPair(text, '<', '>', open, close)) {
        address_ = std::string(text.substr(open + 1, close - open - 1));
        name_ = Unquoted(Trim(text.substr(0, open)));
    } else if (FindPair(text, '(', ')', open, close)) {
        address_ = std::string(TrimEnd(text.substr(0, open)));
        name_ = std::string(Trim(text.substr(open + 1, close - open - 1)));
    } else {
        address_ = std::string(text);
    }
}

std::string CKivSMTPAddress::Render(bool encodeName, std::string_view charset) const {
    if (name_.empty()) {
        return SingleLine(address_);
    }
    return EncodeDisplayName(name_, encodeName, charset) + " <" + SingleLine(address_) + ">";
}

}  // namespace calvendra
