#pragma once

#include <string>

#include "store/statements.h"

namespace calvendra::exchange {

enum class VCardVersion { k30, k40 };

// One contact as one vCard, ended by a line break: names (N, FN), gender, home and business
// e-mail, address, phone, fax, mobile and web, job title, department and office (ORG's units),
// the others text as NOTE, and the group path as CATEGORIES (none for the base group). A web
// field that holds nothing but "http://" is left out. Written by evolution-data-server's EVCard.
std::string VCardOf(const statements::ContactFields& fields, const std::string& groupPath,
                    VCardVersion version);

}  // namespace calvendra::exchange
