#pragma once

#include <string>
#include <string_view>

namespace calvendra {

// What a message's Message-ID is made of, drawn once when the message is made: a random UUID for
// its left-hand side, and a random name for the right-hand side of a sender without a usable
// domain.
struct MessageIdSeed {
    MessageIdSeed();

    std::string unique;
    std::string randomDomain;
};

// "<unique@domain>": the domain of the sender's address when it is a domain name (IsDomainName:
// labels of ASCII letters, digits and inner hyphens), else the seed's random one. It never holds
// the machine's own name.
std::string MessageIdText(const MessageIdSeed& seed, std::string_view senderAddress);

}  // namespace calvendra
