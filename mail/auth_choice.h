#pragma once

#include <string>
#include <vector>

#include "mail/auth_method.h"
#include "mail/transport_error.h"

namespace calvendra {

// The mechanism chosen from a server's offer, or, when none will do, why not.
struct AuthChoice {
    AuthMethod method = AuthMethod::None;  // None: no login, or refused
    bool refused = false;
    SmtpErrorCode refusal = kNoKnownAuthOffered;
};

// The best mechanism the server offers that the client knows, for a login with a user name and
// password. Over an encrypted connection: PLAIN (RFC 4616), then LOGIN, then CRAM-MD5. Over a
// connection in clear text only CRAM-MD5 will do, since PLAIN and LOGIN would show the password to
// anyone on the way: a server that offers only those is refused with kClearTextAuthRefused. NTLM
// logs in as the desktop's user, not with the settings' account, so it is never chosen here. A
// server that offers no login at all (a relay that needs none) gets none: nothing secret is sent.
AuthChoice ChooseAuthMethod(const std::vector<std::string>& offered, bool encrypted);

}  // namespace calvendra
