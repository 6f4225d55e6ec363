#include "mail/smtp_exception.h"

#include "mail/ntlm_client.h"
#include "mail/system_error_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace calvendra {

namespace {

// One text per own code; %s stands for the last reply.
const char* OwnMessageFormat(std::uint32_t code) {
    switch (code) {
        case kGreetingRefused:
            return "The mail server did not greet with 220: %s";
        case kPartHeaderFailed:
            return "A part header of the message could not be built. %s";
        case kPartBodyFailed:
            return "A part of the message could not be built (an attached file may be missing, "
                   "unreadable or too large). %s";
        case kPartFooterFailed:
            return "The closing boundary of a message part could not be built. %s";
        case kEhloRefused:
            return "The mail server did not accept EHLO: %s";
        case kHeloRefused:
            return "The mail server did not accept HELO: %s";
        case kQuitRefused:
            return "The mail server did not answer QUIT with 221: %s";
        case kMailFromRefused:
            return "The mail server did not accept the sender (MAIL FROM): %s";
        case kDataRefused:
            return "The mail server did not accept DATA: %s";
        case kEndOfDataRefused:
            return "The mail server did not accept the message: %s";
        case kRecipientRefused:
            return "The mail server did not accept a recipient (RCPT TO): %s";
        case kAuthLoginRefused:
            return "The mail server did not accept AUTH LOGIN: %s";
        case kAuthLoginBadUserPrompt:
            return "The mail server did not ask for the user name during AUTH LOGIN: %s";
        case kAuthLoginUserRefused:
            return "The mail server did not accept the user name during AUTH LOGIN: %s";
        case kAuthLoginBadPasswordPrompt:
            return "The mail server did not ask for the password during AUTH LOGIN: %s";
        case kAuthLoginPasswordRefused:
            return "The mail server did not accept the password during AUTH LOGIN: %s";
        case kAuthPlainRefused:
            return "The mail server did not accept AUTH PLAIN: %s";
        case kAuthPlainBadUserPrompt:
            return "The mail server did not ask for the user name during AUTH PLAIN: %s";
        case kAuthPlainUserRefused:
            return "The mail server did not accept the user name during AUTH PLAIN: %s";
        case kAuthPlainBadPasswordPrompt:
            return "The mail server did not ask for the password during AUTH PLAIN: %s";
        case kAuthPlainPasswordRefused:
            return "The mail server did not accept the password during AUTH PLAIN: %s";
        case kAuthCramMd5Refused:
            return "The mail server did not accept AUTH CRAM-MD5: %s";
        case kAuthCramMd5ResponseRefused:
            return "The mail server did not accept the CRAM-MD5 response: %s";
        case kAuthFailed:
            return "Authentication with the mail server failed: %s";
        case kAuthNtlmRefused:
            return "The mail server did not accept NTLM authentication: %s";
        case kBase64DecodeFailed:
            return "Base64 data could not be decoded. %s";
        case kBase64EncodeFailed:
            return "Data could not be encoded in base64. %s";
        case kMalformedReply:
            return "The mail server's reply is not a valid SMTP reply: %s";
        case kStartTlsNotOffered:
            return "The mail server does not offer STARTTLS, so the connection cannot be "
                   "encrypted: %s";
        case kStartTlsRefused:
            return "The mail server did not accept STARTTLS: %s";
        case kTlsHandshakeFailed:
            return "The encrypted connection to the mail server could not be set up: %s";
        case kTlsCertificateRefused:
            return "The mail server's certificate was refused: %s";
        case kTlsConnectionFailed:
            return "The encrypted connection to the mail server failed: %s";
        case kNoKnownAuthOffered:
            return "The mail server offers no login that the client can use: %s";
        case kClearTextAuthRefused:
            return "The mail server offers only logins that would send the password in clear text, "
                   "and the connection is not encrypted (choose STARTTLS or SSL/TLS): %s";
        case kAuthSaslPlainRefused:
            return "The mail server did not accept the login (AUTH PLAIN): %s";
        case kAddressInvalid:
            return "The message holds an address that is no valid mail address: %s";
        default:
            return "The mail transport failed: %s";
    }
}

// The server's text as an error carries it: a reply longer than a few hundred bytes is cut, with
// a mark that says how long it was.
std::string ReplyForError(std::string reply) {
    if (reply.size() > CKivSMTPException::kMaxReplyInError) {
        const std::size_t whole = reply.size();
        reply.resize(CKivSMTPException::kMaxReplyInError);
        reply += " [... cut, " + std::to_string(whole) + " bytes in all]";
    }
    return reply;
}

std::string FormatOwnMessage(std::uint32_t code, const std::string& reply) {
    const std::string format = OwnMessageFormat(code);
    const std::size_t slot = format.find("%s");
    std::string before = format.substr(0, slot);
    if (reply.empty()) {
        // No reply to show: the text ends before its place, without the separator.
        while (!before.empty() && (before.back() == ' ' || before.back() == ':')) {
            before.pop_back();
        }
    }
    return before + reply + format.substr(slot + 2);
}

const char* SecurityStatusText(std::uint32_t value) {
    switch (static_cast<NtlmStatus>(value)) {
        case kNtlmInsufficientMemory:
            return "The mail server's NTLM challenge is too large";
        case kNtlmNoCredentials:
            return "No NTLM credentials of the logged-on user were found (NTLM_USER_FILE)";
        case kNtlmPackageNotFound:
            return "The NTLM security package (gss-ntlmssp) is not available";
        case kNtlmInvalidToken:
            return "The mail server's NTLM challenge is not valid";
        case kNtlmBufferTooSmall:
            return "An NTLM token does not fit its buffer";
        default:
            return "The NTLM security package failed";
    }
}

std::string MessageFor(std::uint32_t value, const std::string& reply, const std::string& detail) {
    std::string message;
    switch (ErrorFacility(value)) {
        case kFacilityTransport:
            message = FormatOwnMessage(ErrorCode(value), reply);
            break;
        case kFacilitySecurity: {
            char status[32];
            std::snprintf(status, sizeof status, " (status 0x%08X)", static_cast<unsigned>(value));
            message = SecurityStatusText(value) + std::string(status);
            break;
        }
        default:
            message = SystemErrorText(static_cast<int>(ErrorCode(value)));
            break;
    }
    if (!detail.empty()) {
        message += (message.empty() ? "" : ": ") + detail;
    }
    return message;
}

}  // namespace

CKivSMTPException::CKivSMTPException(std::uint32_t transportError, std::string lastReply,
                                     const std::string& detail)
    : std::runtime_error(MessageFor(transportError, ReplyForError(lastReply), detail)),
      transportError_(transportError),
      lastReply_(ReplyForError(std::move(lastReply))) {}

CKivSMTPException::CKivSMTPException(MessageGiven, std::uint32_t transportError,
                                     std::string lastReply, const std::string& message)
    : std::runtime_error(message),
      transportError_(transportError),
      lastReply_(std::move(lastReply)) {}

CKivSMTPException CKivSMTPException::UnfinishedReply(std::uint32_t transportError,
                                                     std::string lastReply,
                                                     const std::string& why) {
    std::string reply = ReplyForError(std::move(lastReply));
    std::string message = "The mail server's reply did not come to an end (" + why + ")";
    if (!reply.empty()) {
        message += ": " + reply;
    }
    return CKivSMTPException(MessageGiven{}, transportError, std::move(reply), message);
}

bool CKivSMTPException::GetErrorMessage(char* buffer, std::size_t capacity,
                                        unsigned* helpContext) const {
    if (helpContext != nullptr) {
        *helpContext = 0;
    }
    const std::string text = ErrorMessage();
    return CopyMessageText(text, buffer, capacity) && !text.empty();
}

std::string CKivSMTPException::ErrorMessage() const {
    return what();
}

}  // namespace calvendra
