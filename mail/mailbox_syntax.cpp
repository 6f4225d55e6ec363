#include "mail/mailbox_syntax.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

#include "mail/header_text.h"

namespace calvendra {

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsLetterOrDigit(char c) {
    return IsAlpha(c) || IsDigit(c);
}

// The characters of an atom besides letters and digits.
bool IsAtomCharacter(char c) {
    return IsLetterOrDigit(c) || (c != '\0' && std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr);
}

bool IsPrintable(char c) {
    return c >= 0x20 && c <= 0x7e;
}

std::string Octet(std::size_t position) {
    return " (octet " + std::to_string(position + 1) + ")";
}

// A label: a letter or digit first and last, hyphens only between.
bool IsLabel(std::string_view label) {
    if (label.empty() || label.size() > kLongestLabel || !IsLetterOrDigit(label.front()) ||
        !IsLetterOrDigit(label.back())) {
        return false;
    }
    for (const char c : label) {
        if (!IsLetterOrDigit(c) && c != '-') {
            return false;
        }
    }
    return true;
}

// Four numbers from 0 to 255 of one to three digits, separated by dots.
bool IsIpv4Literal(std::string_view text) {
    int numbers = 0;
    std::size_t at = 0;
    while (numbers < 4) {
        std::size_t digits = 0;
        int value = 0;
        while (at < text.size() && IsDigit(text[at]) && digits < 3) {
            value = value * 10 + (text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 255) {
            return false;
        }
        ++numbers;
        if (numbers < 4) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
    }
    return at == text.size();
}

bool IsIpv6Literal(std::string_view text) {
    constexpr std::string_view kTag = "IPv6:";
    if (text.size() <= kTag.size() || !EqualsIgnoringCase(text.substr(0, kTag.size()), kTag)) {
        return false;
    }
    const std::string address(text.substr(kTag.size()));
    in6_addr parsed{};
    return ::inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

// The length of the local part at the start of the text, or why there is none.
std::string LocalPartFault(std::string_view text, std::size_t& length) {
    if (!text.empty() && text.front() == '"') {
        for (std::size_t at = 1; at < text.size(); ++at) {
            if (text[at] == '\\') {
                ++at;  // any printable character may be escaped
            } else if (text[at] == '"') {
                length = at + 1;
                return std::string();
            }
        }
        return "its quoted local part has no closing quote";
    }
    std::size_t at = 0;
    while (at < text.size() && text[at] != '@') {
        const char c = text[at];
        if (c == '.') {
            if (at == 0 || text[at - 1] == '.') {
                return "its local part has an empty part between dots" + Octet(at);
            }
        } else if (!IsAtomCharacter(c)) {
            const std::string shown = c == ' ' ? "a space" : std::string("\"") + c + "\"";
            return "it holds " + shown + " outside quotes" + Octet(at);
        }
        ++at;
    }
    if (at == 0) {
        return "its local part (before the \"@\") is empty";
    }
    if (text[at - 1] == '.') {
        return "its local part ends in a dot";
    }
    length = at;
    return std::string();
}

// Why the domain, which starts at octet `offset` of the mailbox, is none.
std::string DomainFault(std::string_view domain, std::size_t offset) {
    if (domain.empty()) {
        return "it has no domain after the \"@\"";
    }
    if (domain.front() == '[') {
        if (domain.back() != ']') {
            return "its address literal has no closing \"]\"";
        }
        const std::string_view literal = domain.substr(1, domain.size() - 2);
        if (IsIpv4Literal(literal) || IsIpv6Literal(literal)) {
            return std::string();
        }
        return "its address literal is no IPv4 or IPv6 address";
    }
    if (domain.size() > kLongestDomain) {
        return "its domain is longer than " + std::to_string(kLongestDomain) + " octets";
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = domain.find('.', start);
        const std::string_view label = domain.substr(start, dot - start);
        for (std::size_t at = 0; at < label.size(); ++at) {
            const char c = label[at];
            if (!IsLetterOrDigit(c) && c != '-') {
                const std::string shown = c == ' ' ? "a space" : std::string("\"") + c + "\"";
                return "its domain holds " + shown + Octet(offset + start + at);
            }
        }
        if (label.empty()) {
            return "its domain has an empty label" + Octet(offset + start);
        }
        if (label.size() > kLongestLabel) {
            return "a label of its domain is longer than " + std::to_string(kLongestLabel) +
                   " octets";
        }
        if (!IsLabel(label)) {
            return "a label of its domain starts or ends with a hyphen" + Octet(offset + start);
        }
        if (dot == std::string_view::npos) {
            return std::string();
        }
        start = dot + 1;
    }
}

}  // namespace

std::string MailboxFault(std::string_view mailbox) {
    if (mailbox.empty()) {
        return "it is empty";
    }
    for (std::size_t at = 0; at < mailbox.size(); ++at) {
        if (!IsPrintable(mailbox[at])) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(mailbox[at]));
            return std::string("it holds the byte ") + code +
                   ", which is no printable ASCII character" + Octet(at);
        }
    }
    if (mailbox.size() > kLongestMailbox) {
        return "it is " + std::to_string(mailbox.size()) + " octets long, more than the " +
               std::to_string(kLongestMailbox) + " a mail address may have";
    }
    std::size_t localLength = 0;
    std::string fault = LocalPartFault(mailbox, localLength);
    if (!fault.empty()) {
        return fault;
    }
    if (localLength > kLongestLocalPart) {
        return "its local part (before the \"@\") is longer than " +
               std::to_string(kLongestLocalPart) + " octets";
    }
    if (localLength == mailbox.size() || mailbox[localLength] != '@') {
        return localLength == mailbox.size()
                   ? "it has no \"@\""
                   : "its quoted local part is not followed by \"@\"" + Octet(localLength);
    }
    return DomainFault(mailbox.substr(localLength + 1), localLength + 1);
}

bool IsDomainName(std::string_view domain) {
    return !domain.empty() && domain.front() != '[' && DomainFault(domain, 0).empty();
}

std::string PrintableText(std::string_view text, std::size_t longest) {
    std::string shown;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (at == longest) {
            shown += "...";
            break;
        }
        const char c = text[at];
        if (IsPrintable(c) && c != '\\') {
            shown += c;
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(c));
            shown += escape;
        }
    }
    return shown;
}

}  // namespace calvendra
