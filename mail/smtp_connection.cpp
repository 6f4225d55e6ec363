#include "mail/smtp_connection.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <optional>

#include "mail/base64.h"
#include "mail/ehlo_reply.h"
#include "mail/header_text.h"
#include "mail/mailbox_syntax.h"
#include "mail/smtp_reply.h"
#include "mail/socket_errors.h"
#include "mail/tls_channel.h"

namespace calvendra {

namespace {

CKivSMTPException FromSocket(const CWSocketException& failure) {
    return CKivSMTPException(SystemError(failure.ErrorCode()), std::string());
}

SmtpErrorCode TlsErrorCode(TlsError::Kind kind) {
    switch (kind) {
        case TlsError::Kind::Certificate:
            return kTlsCertificateRefused;
        case TlsError::Kind::Connection:
            return kTlsConnectionFailed;
        default:
            return kTlsHandshakeFailed;
    }
}

// Runs a step of the session so that only CKivSMTPException leaves it: socket failures become
// facility 7 with their error number, TLS failures the transport's own codes with OpenSSL's
// reason, an allocation failure the out-of-memory error.
template <typename Step>
auto Translated(Step step) -> decltype(step()) {
    try {
        return step();
    } catch (const CWSocketException& failure) {
        throw FromSocket(failure);
    } catch (const TlsError& failure) {
        throw CKivSMTPException(OwnError(TlsErrorCode(failure.GetKind())), std::string(),
                                failure.what());
    } catch (const std::bad_alloc&) {
        throw CKivSMTPException(SystemError(ENOMEM), std::string());
    }
}

std::optional<std::string> UnlessEmpty(const std::string& text) {
    return text.empty() ? std::nullopt : std::optional<std::string>(text);
}

bool ValidPort(std::int32_t port) {
    return port >= 1 && port <= 65535;
}

// "60 seconds", "1 second", "300 milliseconds".
std::string DurationText(std::uint32_t milliseconds) {
    if (milliseconds % 1000 != 0) {
        return std::to_string(milliseconds) + " milliseconds";
    }
    return std::to_string(milliseconds / 1000) + (milliseconds == 1000 ? " second" : " seconds");
}

// Sets a flag for as long as it lives.
class RaisedWhile {
public:
    explicit RaisedWhile(bool& flag) : flag_(flag) { flag_ = true; }
    ~RaisedWhile() { flag_ = false; }
    RaisedWhile(const RaisedWhile&) = delete;
    RaisedWhile& operator=(const RaisedWhile&) = delete;

private:
    bool& flag_;
};

// Raises kAddressInvalid unless the address is a mailbox (or may be empty and is).
void CheckAddress(const char* role, const std::string& address, bool mayBeEmpty) {
    if (mayBeEmpty && address.empty()) {
        return;
    }
    const std::string fault = MailboxFault(address);
    if (!fault.empty()) {
        throw CKivSMTPException(
            OwnError(kAddressInvalid), std::string(),
            std::string(role) + " \"" + PrintableText(address) + "\": " + fault);
    }
}

// Every address of the message that goes into the envelope or the header, before any of it goes
// out: an address that breaks the syntax could carry extra command parameters or header text.
// An empty sender is the null reverse-path, which SMTP allows.
void CheckAddresses(const CKivSMTPMessage& message) {
    CheckAddress("the sender", message.From().Address(), true);
    for (const RecipientKind kind : {RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc}) {
        for (const CKivSMTPAddress& recipient : message.Recipients(kind)) {
            CheckAddress("the recipient", recipient.Address(), false);
        }
    }
    CheckAddress("the reply-to address", message.ReplyTo().Address(), true);
}

// The milliseconds left until the deadline, 0 once it has passed.
std::uint32_t MillisecondsUntil(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left <= 0 ? 0 : static_cast<std::uint32_t>(left);
}

}  // namespace

std::string LocalHostName() {
    char name[260] = "";
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    name[sizeof name - 1] = '\0';
    return name;
}

CKivSMTPConnection::CKivSMTPConnection() {
    SetGreetingName("auto");
}

CKivSMTPConnection::~CKivSMTPConnection() {
    if (connected_) {
        try {
            Disconnect(true);
        } catch (...) {
            // The session ends whatever the server answers to QUIT.
        }
    }
    CloseTransport();
}

void CKivSMTPConnection::SetGreetingName(const std::string& name) {
    greetingName_ = name == "auto" ? LocalHostName() : name;
}

void CKivSMTPConnection::Connect(const std::string& host, AuthMethod method,
                                 const std::string& user, const std::string& password,
                                 std::int32_t port) {
    if (connected_) {
        try {
            Disconnect(true);
        } catch (const CKivSMTPException&) {
            // The earlier session is over either way.
        }
    }
    if (!ValidPort(port) || (proxyKind_ != ProxyKind::None && !ValidPort(proxyPort_))) {
        throw CKivSMTPException(SystemError(EINVAL), std::string());
    }
    timedOut_ = false;
    pending_.clear();
    CloseTransport();
    Translated([&] {
        socket_.Open(false);
        socket_.SetSendTimeout(replyTimeoutMs_);
    });
    try {
        Translated([&] {
            OpenTransport(host, static_cast<std::uint16_t>(port));
            if (security_ == SmtpSecurity::Tls) {
                StartTls(host);  // before the greeting: all the server says is encrypted
            }
        });
    } catch (const CKivSMTPException&) {
        try {
            Disconnect(true);  // not yet connected: only closes the socket
        } catch (...) {
        }
        throw;
    }
    connected_ = true;
    try {
        Translated([&] { Introduce(host, method, user, password); });
    } catch (const CKivSMTPException& failure) {
        try {
            Disconnect(true);
        } catch (...) {
        }
        throw failure;
    }
}

void CKivSMTPConnection::OpenTransport(const std::string& host, std::uint16_t port) {
    if (!bindAddress_.empty()) {
        socket_.Bind(0, bindAddress_);
    }
    const auto proxyPort = static_cast<std::uint16_t>(proxyPort_);
    const std::optional<std::string> user = UnlessEmpty(proxyUser_);
    const std::optional<std::string> password =
        user ? std::optional<std::string>(proxyPassword_) : std::nullopt;
    switch (proxyKind_) {
        case ProxyKind::None:
            socket_.Connect(host, port, replyTimeoutMs_);
            break;
        case ProxyKind::Socks4:
            socket_.ConnectThroughSocks4(host, port, proxyHost_, proxyPort, replyTimeoutMs_);
            break;
        case ProxyKind::Socks5:
            socket_.ConnectThroughSocks5(host, port, proxyHost_, proxyPort, user, password,
                                         replyTimeoutMs_, false);
            break;
        case ProxyKind::Http: {
            std::string proxyReply;
            socket_.ConnectThroughHttpProxy(host, port, proxyHost_, proxyPort, proxyReply, user,
                                            password, replyTimeoutMs_, UnlessEmpty(userAgent_));
            break;
        }
        default:
            throw CWSocketException(EINVAL);
    }
}

void CKivSMTPConnection::Introduce(const std::string& host, AuthMethod method,
                                   const std::string& user, const std::string& password) {
    if (!AwaitReply(220)) {
        throw StepFailed(kGreetingRefused);
    }
    const std::string ehlo = "EHLO " + SingleLine(greetingName_) + "\r\n";
    if (method == AuthMethod::None && security_ == SmtpSecurity::None) {
        Command("HELO " + SingleLine(greetingName_) + "\r\n", 250, kHeloRefused);
        return;
    }
    Command(ehlo, 250, kEhloRefused);
    if (security_ == SmtpSecurity::StartTls) {
        if (!ReadEhloReply(lastReply_).startTls) {
            throw CKivSMTPException(OwnError(kStartTlsNotOffered), ErrorReply());
        }
        Command("STARTTLS\r\n", 220, kStartTlsRefused);
        // Whatever came after the 220 was sent before the encryption, by anyone on the way: it is
        // no part of the secured session (RFC 3207, 4.2).
        pending_.clear();
        StartTls(host);
        // What the server offers in clear text may have been changed on the way: ask again.
        Command(ehlo, 250, kEhloRefused);
    }
    if (method != AuthMethod::None) {
        Authenticate(host, method, user, password);
    }
}

void CKivSMTPConnection::StartTls(const std::string& host) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(replyTimeoutMs_);
    try {
        tls_ = std::make_unique<TlsChannel>(socket_.Handle(), host, extraCaFile_, deadline);
    } catch (const std::runtime_error&) {
        RaiseIfAborted();
        throw;
    }
}

void CKivSMTPConnection::RaiseIfAborted() const {
    // An aborted connection looks closed by the server; the failure says what really happened.
    if (socket_.IsAborted()) {
        throw CWSocketException(kErrorAborted);
    }
}

std::string CKivSMTPConnection::TlsProtocol() const {
    return tls_ ? tls_->Protocol() : std::string();
}

void CKivSMTPConnection::SendBytes(const std::string& bytes) {
    try {
        if (tls_) {
            tls_->Send(
                bytes.data(), bytes.size(),
                std::chrono::steady_clock::now() + std::chrono::milliseconds(replyTimeoutMs_));
        } else {
            socket_.Send(bytes);
        }
    } catch (const std::runtime_error&) {
        RaiseIfAborted();
        throw;
    }
}

int CKivSMTPConnection::ReceiveBy(char* buffer, std::size_t length,
                                  std::chrono::steady_clock::time_point deadline) {
    int got = -1;
    try {
        if (tls_) {
            got = tls_->Receive(buffer, length, deadline);
        } else {
            const std::uint32_t left = MillisecondsUntil(deadline);
            if (left > 0 && socket_.WaitReadable(left)) {
                got = socket_.Receive(buffer, length);
            }
        }
    } catch (const std::runtime_error&) {
        RaiseIfAborted();
        throw;
    }
    if (got == 0) {
        RaiseIfAborted();
    }
    return got;
}

void CKivSMTPConnection::CloseTransport() {
    if (tls_) {
        tls_->Close();
        tls_.reset();
    }
    socket_.Close();
}

void CKivSMTPConnection::Disconnect(bool graceful) {
    std::optional<CKivSMTPException> failure;
    // After a reply that never came the server is not listening: QUIT would only wait again.
    if (connected_ && graceful && !timedOut_) {
        const RaisedWhile quitting(quitting_);
        try {
            Translated([&] {
                SendBytes("QUIT\r\n");
                if (!AwaitReply(221)) {
                    failure.emplace(StepFailed(kQuitRefused));
                }
            });
        } catch (const CKivSMTPException& raised) {
            failure.emplace(raised);
        }
    }
    connected_ = false;
    pending_.clear();
    CloseTransport();
    if (failure) {
        throw *failure;
    }
}

void CKivSMTPConnection::SendMail(const CKivSMTPMessage& message) {
    if (!connected_) {
        throw CKivSMTPException(SystemError(ENOTCONN), std::string());
    }
    CheckAddresses(message);
    Translated([&] {
        Command("MAIL FROM:<" + SingleLine(message.From().Address()) + ">\r\n", 250,
                kMailFromRefused);
        for (const RecipientKind kind :
             {RecipientKind::To, RecipientKind::Cc, RecipientKind::Bcc}) {
            for (const CKivSMTPAddress& recipient : message.Recipients(kind)) {
                Command("RCPT TO:<" + SingleLine(recipient.Address()) + ">\r\n", 250,
                        kRecipientRefused);
            }
        }
        Command("DATA\r\n", 354, kDataRefused);
        try {
            SendText(message.RenderHeader() + "\r\n");
            const CKivSMTPBodyPart& root = message.RootPart();
            if (root.ChildCount() == 0 && !message.MimeMode()) {
                SendText(message.RenderPlainBody());
            } else {
                SendBodyPart(root, true);
            }
            SendText("\r\n.\r\n");
        } catch (...) {
            // The server is reading message text: a QUIT now would only become part of it. Closing
            // the connection makes the server drop the unfinished message.
            Disconnect(false);
            throw;
        }
        const RaisedWhile delivering(awaitingDelivery_);
        if (!AwaitReply(250)) {
            throw StepFailed(kEndOfDataRefused);
        }
    });
}

void CKivSMTPConnection::SendBodyPart(const CKivSMTPBodyPart& part, bool root) {
    std::string block;
    if (!root) {
        if (!part.RenderPartHeader(block)) {
            throw CKivSMTPException(OwnError(kPartHeaderFailed), std::string());
        }
        SendText(block);
    }
    if (!part.RenderPartBody(block)) {
        throw CKivSMTPException(OwnError(kPartBodyFailed), std::string());
    }
    SendText(block);
    for (std::size_t index = 0; index < part.ChildCount(); ++index) {
        SendBodyPart(part.Child(index), false);
    }
    if (part.ChildCount() > 0) {
        if (!part.RenderPartFooter(block)) {
            throw CKivSMTPException(OwnError(kPartFooterFailed), std::string());
        }
        SendText(block);
    }
}

void CKivSMTPConnection::SendText(const std::string& text) {
    Translated([&] { SendBytes(text); });
}

void CKivSMTPConnection::Command(const std::string& text, int expectedCode, SmtpErrorCode failure) {
    SendText(text);
    if (!AwaitReply(expectedCode)) {
        throw StepFailed(failure);
    }
}

bool CKivSMTPConnection::AwaitReply(int expectedCode) {
    std::string text;
    return ReadReply(text, 256, expectedCode, 4096);
}

std::uint32_t CKivSMTPConnection::ReplyWaitMs() const {
    if (quitting_) {
        return std::min(replyTimeoutMs_, kQuitReplyTimeoutMs);
    }
    return awaitingDelivery_ ? std::max(replyTimeoutMs_, kEndOfDataReplyTimeoutMs)
                             : replyTimeoutMs_;
}

bool CKivSMTPConnection::ReadReply(std::string& text, std::size_t bufferSize, int expectedCode,
                                   std::size_t growStep) {
    return Translated([&] {
        // Bytes that came after the previous reply belong to this one.
        std::string received = std::move(pending_);
        pending_.clear();
        unfinished_.clear();
        SmtpReplyScanner scanner;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(ReplyWaitMs());
        const auto giveUp = [&] {
            text = received;
            KeepReply(text);
            return false;
        };
        std::size_t piece = std::max<std::size_t>(bufferSize, 2) - 1;
        for (;;) {
            const SmtpReplyScanner::State state = scanner.Scan(received);
            if (state == SmtpReplyScanner::State::Complete) {
                break;
            }
            if (state == SmtpReplyScanner::State::Malformed) {
                giveUp();
                throw CKivSMTPException(OwnError(kMalformedReply), ErrorReply());
            }
            if (received.size() >= kMaxReplyBytes) {
                unfinished_ = "it reached " + std::to_string(kMaxReplyBytes) + " bytes";
                return giveUp();
            }
            // The time-out bounds the whole reply, however slowly its bytes come.
            const std::size_t have = received.size();
            received.resize(have + piece);
            const int got = ReceiveBy(&received[have], piece, deadline);
            received.resize(have + static_cast<std::size_t>(std::max(got, 0)));
            if (got < 0) {
                timedOut_ = true;
                unfinished_ = "no complete reply came within " + DurationText(ReplyWaitMs());
                return giveUp();
            }
            if (got == 0) {
                unfinished_ = "the server closed the connection";
                return giveUp();
            }
            piece = std::max<std::size_t>(growStep, 1);
        }
        pending_ = received.substr(scanner.End());
        text = received.substr(0, scanner.End() - 2);
        lastReplyCode_ = scanner.Code();
        KeepReply(text);
        return lastReplyCode_ == expectedCode;
    });
}

void CKivSMTPConnection::KeepReply(std::string& text) {
    for (const std::string& secret : secrets_) {
        // A server that repeats a line may cut it: its start is enough to give a secret away.
        if (text.find(secret.substr(0, kSecretStartBytes)) != std::string::npos) {
            // The whole text goes: marking only the echo would show where it stood.
            text = text.substr(0, 4) + "[reply not shown: it repeats what the client sent]";
            break;
        }
    }
    lastReply_ = text;
}

CKivSMTPException CKivSMTPConnection::StepFailed(SmtpErrorCode code) const {
    if (!unfinished_.empty()) {
        return CKivSMTPException::UnfinishedReply(OwnError(code), ErrorReply(), unfinished_);
    }
    return CKivSMTPException(OwnError(code), ErrorReply());
}

std::string CKivSMTPConnection::ErrorReply() const {
    if (hideChallenges_ && lastReply_.compare(0, 4, "334 ") == 0) {
        return "334 [challenge of " + std::to_string(lastReply_.size() - 4) +
               " characters, not shown]";
    }
    return lastReply_;
}

namespace {

std::string TokenInBase64(const unsigned char* token, std::size_t length) {
    return Base64Flat(std::string_view(reinterpret_cast<const char*>(token), length));
}

}  // namespace

NtlmStatus CKivSMTPConnection::SendFirstToken(const unsigned char* token, std::size_t length) {
    const std::string encoded = TokenInBase64(token, length);
    KeepSecret(encoded);
    SendText("AUTH NTLM " + encoded + "\r\n");
    return kNtlmOk;
}

NtlmStatus CKivSMTPConnection::ReceiveChallenge(unsigned char* buffer, std::size_t capacity,
                                                std::size_t& length) {
    length = 0;
    if (!AwaitReply(334)) {
        throw StepFailed(kAuthNtlmRefused);
    }
    const std::string challenge = Base64Decode(ReplyText());
    if (challenge.size() >= capacity) {
        return kNtlmInsufficientMemory;
    }
    std::memcpy(buffer, challenge.data(), challenge.size());
    length = challenge.size();
    return kNtlmOk;
}

NtlmStatus CKivSMTPConnection::SendResponse(const unsigned char* token, std::size_t length) {
    const std::string encoded = TokenInBase64(token, length);
    KeepSecret(encoded);
    Command(encoded + "\r\n", 235, kAuthNtlmRefused);
    return kNtlmOk;
}

}  // namespace calvendra
