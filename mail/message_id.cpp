#include "mail/message_id.h"

#include "mail/random_uuid.h"

namespace calvendra {

namespace {

bool IsLabelCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

// A domain name as DNS writes it: dot-separated labels of 1 to 63 letters, digits and hyphens.
bool IsPlainDomain(std::string_view domain) {
    if (domain.empty() || domain.size() > 253) {
        return false;
    }
    std::size_t label = 0;
    for (const char c : domain) {
        if (c == '.') {
            if (label == 0) {
                return false;
            }
            label = 0;
        } else if (IsLabelCharacter(c) && ++label <= 63) {
            continue;
        } else {
            return false;
        }
    }
    return label > 0;
}

}  // namespace

MessageIdSeed::MessageIdSeed() : unique(RandomUuidText()) {
    for (const char c : RandomUuidText()) {
        if (c != '-' && randomDomain.size() < 16) {
            randomDomain += c;
        }
    }
}

std::string MessageIdText(const MessageIdSeed& seed, std::string_view senderAddress) {
    const std::size_t at = senderAddress.rfind('@');
    const std::string_view domain =
        at == std::string_view::npos ? std::string_view() : senderAddress.substr(at + 1);
    return "<" + seed.unique + "@" +
           std::string(IsPlainDomain(domain) ? domain : seed.randomDomain) + ">";
}

}  // namespace calvendra
