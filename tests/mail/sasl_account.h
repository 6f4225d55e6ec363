#pragma once

#include <string>

namespace calvendra::test {

// Writes one user with a plain-text password into a Cyrus SASL sasldb file (created when missing)
// through libsasl2 itself, as Cyrus' own password tool does, so that a Cyrus server can check every
// mechanism against it. False, with the reason in `why`, when libsasl2 refuses.
bool CreateSaslAccount(const std::string& sasldbPath, const std::string& realm,
                       const std::string& user, const std::string& password, std::string& why);

}  // namespace calvendra::test
