#include "mail/message_id.h"

#include "mail/mailbox_syntax.h"
#include "mail/random_uuid.h"

namespace calvendra {

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
           std::string(IsDomainName(domain) ? domain : seed.randomDomain) + ">";
}

}  // namespace calvendra
