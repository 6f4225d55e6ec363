#pragma once

namespace calvendra {

// How the session logs in after EHLO. 0 to 4 are the mechanisms a caller names itself, used as
// named whatever the server offers: none (HELO instead of EHLO), CRAM-MD5, LOGIN, the clear-text
// PLAIN prompt exchange, and NTLM with the logged-on user's credentials.
//
// SaslPlain is PLAIN as RFC 4616 defines it: one base64 message of the user name and password sent
// with the command; it is sent over an encrypted connection only. BestOffered leaves the choice to
// the server's EHLO reply (ChooseAuthMethod), logging in only where the server offers a login:
// what the organizer uses for an account of its settings.
enum class AuthMethod : int {
    None = 0,
    CramMd5 = 1,
    Login = 2,
    Plain = 3,
    Ntlm = 4,
    SaslPlain = 5,
    BestOffered = 6,
};

}  // namespace calvendra
