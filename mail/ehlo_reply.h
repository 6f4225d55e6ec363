#pragma once

#include <string>
#include <vector>

namespace calvendra {

// What a server offers in its EHLO reply (RFC 5321, 4.1.1.1): each line after the first names an
// extension, a keyword followed by its parameters.
struct EhloOffer {
    bool startTls = false;
    // The SASL mechanisms of the AUTH line (RFC 4954), in upper case and in the server's order;
    // the old "AUTH=" form counts as well.
    std::vector<std::string> authMechanisms;

    bool OffersAuth(const std::string& mechanism) const;
};

// Reads the whole reply text, lines separated by CR LF, each starting with its code and a hyphen
// or space. Keywords are compared without regard to case.
EhloOffer ReadEhloReply(const std::string& reply);

}  // namespace calvendra
