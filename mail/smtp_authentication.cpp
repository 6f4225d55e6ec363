// The session's authentication after EHLO: CRAM-MD5, LOGIN, PLAIN and NTLM, each a fixed exchange
// of commands and 334/235 replies. A mechanism the caller names is used as it is, whatever the
// server's EHLO reply offers; with BestOffered the reply decides (ChooseAuthMethod). Nothing else
// is tried after a failure.
#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "mail/auth_choice.h"
#include "mail/base64.h"
#include "mail/cram_md5.h"
#include "mail/ehlo_reply.h"
#include "mail/ntlm_exchange.h"
#include "mail/smtp_connection.h"

namespace calvendra {

namespace {

bool EqualIgnoringCase(const std::string& text, const char* expected) {
    const std::string other = expected;
    return text.size() == other.size() &&
           std::equal(text.begin(), text.end(), other.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

bool HasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

std::string Listed(const std::vector<std::string>& mechanisms) {
    std::string list;
    for (const std::string& mechanism : mechanisms) {
        list += (list.empty() ? "" : " ") + mechanism;
    }
    return list;
}

}  // namespace

void CKivSMTPConnection::Authenticate(const std::string& host, AuthMethod method,
                                      const std::string& user, const std::string& password) {
    // Whatever the outcome, the session keeps no copy of a secret once the exchange is over.
    struct Forget {
        CKivSMTPConnection& session;
        ~Forget() { session.ForgetSecrets(); }
    } forget{*this};
    const bool chosen = method == AuthMethod::BestOffered;
    if (chosen) {
        method = ChooseOfferedMethod();
        if (method == AuthMethod::None) {
            return;
        }
    }
    try {
        switch (method) {
            case AuthMethod::CramMd5:
                hideChallenges_ = true;
                AuthenticateCramMd5(user, password);
                break;
            case AuthMethod::Login:
                AuthenticateLogin(user, password, !chosen);
                break;
            case AuthMethod::Plain:
                AuthenticatePlain(user, password);
                break;
            case AuthMethod::SaslPlain:
                AuthenticateSaslPlain(user, password);
                break;
            case AuthMethod::Ntlm:
                hideChallenges_ = true;
                AuthenticateNtlm(host);
                break;
            default:
                throw CKivSMTPException(SystemError(EINVAL), std::string(),
                                        "no such authentication method");
        }
    } catch (const CKivSMTPException&) {
        CancelOpenExchange();
        throw;
    }
}

AuthMethod CKivSMTPConnection::ChooseOfferedMethod() const {
    const EhloOffer offer = ReadEhloReply(lastReply_);
    const AuthChoice choice = ChooseAuthMethod(offer.authMechanisms, IsEncrypted());
    if (choice.refused) {
        throw CKivSMTPException(OwnError(choice.refusal), std::string(),
                                "it offers " + Listed(offer.authMechanisms));
    }
    return choice.method;
}

void CKivSMTPConnection::AuthenticateLogin(const std::string& user, const std::string& password,
                                           bool checkPrompts) {
    Command("AUTH LOGIN\r\n", 334, kAuthLoginRefused);
    if (checkPrompts) {
        ExpectPrompt(Base64Decode(ReplyText()), "username:", kAuthLoginBadUserPrompt);
    }
    Command(Base64Flat(user) + "\r\n", 334, kAuthLoginUserRefused);
    if (checkPrompts) {
        ExpectPrompt(Base64Decode(ReplyText()), "password:", kAuthLoginBadPasswordPrompt);
    }
    const std::string encoded = Base64Flat(password);
    KeepSecret(password);
    KeepSecret(encoded);
    Command(encoded + "\r\n", 235, kAuthLoginPasswordRefused);
}

// A prompt exchange in clear text: the user name and the password each answer a prompt of their
// own, as they stand (this is not the single base64 message of RFC 4616).
void CKivSMTPConnection::AuthenticatePlain(const std::string& user, const std::string& password) {
    if (HasLineBreak(user) || HasLineBreak(password)) {
        // In clear text a line break would end the answer early and send the rest as a command.
        throw CKivSMTPException(SystemError(EINVAL), std::string(),
                                "a user name or password with a line break cannot be sent with "
                                "PLAIN");
    }
    Command("AUTH PLAIN\r\n", 334, kAuthPlainRefused);
    ExpectPrompt(ReplyText(), "username:", kAuthPlainBadUserPrompt);
    Command(user + "\r\n", 334, kAuthPlainUserRefused);
    ExpectPrompt(ReplyText(), "password:", kAuthPlainBadPasswordPrompt);
    KeepSecret(password);
    Command(password + "\r\n", 235, kAuthPlainPasswordRefused);
}

// PLAIN as RFC 4616 has it: an empty authorization identity, the user name and the password,
// separated by zero bytes, in one base64 message sent with the command (RFC 4954's initial
// response). Only over an encrypted connection: base64 hides nothing.
void CKivSMTPConnection::AuthenticateSaslPlain(const std::string& user,
                                               const std::string& password) {
    if (!IsEncrypted()) {
        throw CKivSMTPException(OwnError(kClearTextAuthRefused), std::string(),
                                "PLAIN is sent over encrypted connections only");
    }
    if (user.find('\0') != std::string::npos || password.find('\0') != std::string::npos) {
        throw CKivSMTPException(SystemError(EINVAL), std::string(),
                                "a user name or password with a zero byte cannot be sent with "
                                "PLAIN");
    }
    std::string message = std::string(1, '\0') + user + '\0' + password;
    const std::string encoded = Base64Flat(message);
    OPENSSL_cleanse(message.data(), message.size());
    KeepSecret(password);
    KeepSecret(encoded);
    Command("AUTH PLAIN " + encoded + "\r\n", 235, kAuthSaslPlainRefused);
}

void CKivSMTPConnection::AuthenticateCramMd5(const std::string& user, const std::string& password) {
    Command("AUTH CRAM-MD5\r\n", 334, kAuthCramMd5Refused);
    std::string challenge = Base64Decode(ReplyText());
    challenge.resize(std::min(challenge.size(), challenge.find('\0')));
    const std::string response = CramMd5Response(user, password, challenge);
    const std::string encoded = Base64Flat(response);
    KeepSecret(password);
    KeepSecret(response.substr(user.size() + 1));  // the digest
    KeepSecret(encoded);
    Command(encoded + "\r\n", 235, kAuthCramMd5ResponseRefused);
}

void CKivSMTPConnection::AuthenticateNtlm(const std::string& host) {
    NtlmSecurityContext context(host);
    const NtlmStatus status = RunNtlmExchange(*this, context);
    if (status < 0) {
        throw CKivSMTPException(static_cast<std::uint32_t>(status), ErrorReply(),
                                context.FailureText());
    }
}

std::string CKivSMTPConnection::ReplyText() const {
    return lastReply_.size() > 4 ? lastReply_.substr(4) : std::string();
}

void CKivSMTPConnection::ExpectPrompt(const std::string& prompt, const char* expected,
                                      SmtpErrorCode failure) {
    if (!EqualIgnoringCase(prompt, expected)) {
        throw CKivSMTPException(OwnError(failure), ErrorReply());
    }
}

void CKivSMTPConnection::KeepSecret(const std::string& secret) {
    if (!secret.empty()) {
        secrets_.push_back(secret);
    }
}

void CKivSMTPConnection::ForgetSecrets() {
    for (std::string& secret : secrets_) {
        OPENSSL_cleanse(secret.data(), secret.size());
    }
    secrets_.clear();
    hideChallenges_ = false;
}

// A server in the middle of an exchange reads the next line as the client's answer: QUIT would
// count as a wrong password against the account. "*" ends the exchange first (RFC 4954).
void CKivSMTPConnection::CancelOpenExchange() {
    if (!connected_ || timedOut_ || lastReplyCode_ != 334) {
        return;
    }
    try {
        SendText("*\r\n");
        AwaitReply(501);
    } catch (const CKivSMTPException&) {
        // Disconnect follows and closes the connection whatever happened here.
    }
}

}  // namespace calvendra
