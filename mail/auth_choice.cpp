#include "mail/auth_choice.h"

#include <algorithm>

namespace calvendra {

AuthChoice ChooseAuthMethod(const std::vector<std::string>& offered, bool encrypted) {
    const auto offers = [&](const char* mechanism) {
        return std::find(offered.begin(), offered.end(), mechanism) != offered.end();
    };
    const bool onlyInClearText = offers("PLAIN") || offers("LOGIN");
    if (encrypted && offers("PLAIN")) {
        return {AuthMethod::SaslPlain, kNoKnownAuthOffered};
    }
    if (encrypted && offers("LOGIN")) {
        return {AuthMethod::Login, kNoKnownAuthOffered};
    }
    if (offers("CRAM-MD5")) {
        return {AuthMethod::CramMd5, kNoKnownAuthOffered};
    }
    return {AuthMethod::None, onlyInClearText ? kClearTextAuthRefused : kNoKnownAuthOffered};
}

}  // namespace calvendra
