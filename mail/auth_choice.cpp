#include "mail/auth_choice.h"

#include <algorithm>

namespace calvendra {

AuthChoice ChooseAuthMethod(const std::vector<std::string>& offered, bool encrypted) {
    const auto offers = [&](const char* mechanism) {
        return std::find(offered.begin(), offered.end(), mechanism) != offered.end();
    };
    if (offered.empty()) {
        return {AuthMethod::None, false, kNoKnownAuthOffered};
    }
    if (encrypted && offers("PLAIN")) {
        return {AuthMethod::SaslPlain, false, kNoKnownAuthOffered};
    }
    if (encrypted && offers("LOGIN")) {
        return {AuthMethod::Login, false, kNoKnownAuthOffered};
    }
    if (offers("CRAM-MD5")) {
        return {AuthMethod::CramMd5, false, kNoKnownAuthOffered};
    }
    const bool onlyInClearText = offers("PLAIN") || offers("LOGIN");
    return {AuthMethod::None, true, onlyInClearText ? kClearTextAuthRefused : kNoKnownAuthOffered};
}

}  // namespace calvendra
