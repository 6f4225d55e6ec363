#pragma once

#include <cstdint>

namespace calvendra {

// The 32-bit error value every mail failure carries: bit 31 set, the facility in bits 16 to 28 and
// the code in bits 0 to 15. The transport's own failures use facility 4 with an `SmtpErrorCode`;
// failures of the socket layer or the system use facility 7 with the system's error number (errno);
// a failure of NTLM's security package carries the package's own status, whose facility is 9.
constexpr std::uint32_t kFacilityTransport = 4;
constexpr std::uint32_t kFacilitySystem = 7;
constexpr std::uint32_t kFacilitySecurity = 9;

enum SmtpErrorCode : std::uint32_t {
    kGreetingRefused = 512,
    kPartHeaderFailed = 513,
    kPartBodyFailed = 514,
    kPartFooterFailed = 515,
    kEhloRefused = 516,
    kHeloRefused = 517,
    kQuitRefused = 518,
    kMailFromRefused = 519,
    kDataRefused = 520,
    kEndOfDataRefused = 521,
    kRecipientRefused = 524,
    kAuthLoginRefused = 525,
    kAuthLoginBadUserPrompt = 526,
    kAuthLoginUserRefused = 527,
    kAuthLoginBadPasswordPrompt = 528,
    kAuthLoginPasswordRefused = 529,
    kAuthPlainRefused = 530,
    kAuthPlainBadUserPrompt = 531,
    kAuthPlainUserRefused = 532,
    kAuthPlainBadPasswordPrompt = 533,
    kAuthPlainPasswordRefused = 534,
    kAuthCramMd5Refused = 535,
    kAuthCramMd5ResponseRefused = 536,
    kAuthFailed = 537,
    kAuthNtlmRefused = 538,
    kBase64DecodeFailed = 539,
    kBase64EncodeFailed = 540,
    // A reply that breaks the SMTP reply syntax: a line that does not start with three digits and
    // a space or hyphen, or a line with another code than the reply's first.
    kMalformedReply = 541,
    // STARTTLS was asked for, and the server's EHLO reply does not offer it.
    kStartTlsNotOffered = 542,
    // STARTTLS is not answered with 220.
    kStartTlsRefused = 543,
    // The TLS handshake failed: no version or cipher in common, a server that speaks no TLS, a
    // connection closed halfway.
    kTlsHandshakeFailed = 544,
    // The server's certificate is not trusted, has expired, or does not name the server.
    kTlsCertificateRefused = 545,
    // The secured connection failed after the handshake.
    kTlsConnectionFailed = 546,
    // The login was left to the server's offer, and it offers no mechanism the client knows.
    kNoKnownAuthOffered = 547,
    // The login was left to the server's offer, and over a connection in clear text it offers only
    // mechanisms that would send the password as it stands (PLAIN, LOGIN).
    kClearTextAuthRefused = 548,
    // PLAIN (RFC 4616): the command with the login is not answered with 235.
    kAuthSaslPlainRefused = 549,
    // The sender, a recipient or the reply-to address of a message is no mailbox of RFC 5321's
    // syntax (mailbox_syntax.h); nothing of the message was sent.
    kAddressInvalid = 550,
};

constexpr std::uint32_t MakeTransportError(std::uint32_t facility, std::uint32_t code) {
    return 0x80000000u | ((facility & 0x1FFFu) << 16) | (code & 0xFFFFu);
}

constexpr std::uint32_t ErrorFacility(std::uint32_t value) {
    return (value >> 16) & 0x1FFFu;
}

constexpr std::uint32_t ErrorCode(std::uint32_t value) {
    return value & 0xFFFFu;
}

// A transport failure with one of the codes above.
constexpr std::uint32_t OwnError(SmtpErrorCode code) {
    return MakeTransportError(kFacilityTransport, code);
}

// A failure the system reported with an errno value.
constexpr std::uint32_t SystemError(int errnoValue) {
    return MakeTransportError(kFacilitySystem, static_cast<std::uint32_t>(errnoValue));
}

}  // namespace calvendra
