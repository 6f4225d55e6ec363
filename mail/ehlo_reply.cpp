#include "mail/ehlo_reply.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace calvendra {

namespace {

std::string UpperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

void AddMechanisms(std::istringstream& words, std::vector<std::string>& mechanisms) {
    std::string word;
    while (words >> word) {
        word = UpperCase(word);
        if (std::find(mechanisms.begin(), mechanisms.end(), word) == mechanisms.end()) {
            mechanisms.push_back(word);
        }
    }
}

}  // namespace

bool EhloOffer::OffersAuth(const std::string& mechanism) const {
    return std::find(authMechanisms.begin(), authMechanisms.end(), UpperCase(mechanism)) !=
           authMechanisms.end();
}

EhloOffer ReadEhloReply(const std::string& reply) {
    EhloOffer offer;
    bool first = true;
    for (std::size_t start = 0; start < reply.size();) {
        std::size_t end = reply.find("\r\n", start);
        if (end == std::string::npos) {
            end = reply.size();
        }
        const std::string line = reply.substr(start, end - start);
        start = end + 2;
        if (first) {
            first = false;  // the server's name and greeting
            continue;
        }
        if (line.size() <= 4) {
            continue;
        }
        std::istringstream words(line.substr(4));
        std::string keyword;
        words >> keyword;
        keyword = UpperCase(keyword);
        if (keyword == "STARTTLS") {
            offer.startTls = true;
        } else if (keyword == "AUTH") {
            AddMechanisms(words, offer.authMechanisms);
        } else if (keyword.rfind("AUTH=", 0) == 0) {
            std::istringstream named(keyword.substr(5));
            AddMechanisms(named, offer.authMechanisms);
            AddMechanisms(words, offer.authMechanisms);
        }
    }
    return offer;
}

}  // namespace calvendra
